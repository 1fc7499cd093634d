#include "platform/regf/nt_installation.h"

#include <strings.h>

#include "platform/posix/folder_entries.h"

namespace regf {
namespace {

using platform::posix::FindEntry;
using platform::posix::FindPath;
using platform::posix::IsFile;
using platform::posix::IsFolder;
using platform::posix::SubFolders;

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.ends_with('/')) path.pop_back();
    return path;
}

std::string ParentOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The installation whose Windows folder is windows, when its config folder holds the hives.
std::optional<NtInstallation> WithWindowsFolder(const std::string& folder,
                                                const std::string& windows,
                                                const std::string& driveRoot) {
    const auto config = FindPath(windows, {"System32", "config"});
    if (!config || !IsFolder(*config)) return std::nullopt;
    NtInstallation found{folder, driveRoot, windows, *config, {}, {}, {}};
    for (auto [name, path] : {std::pair{"SOFTWARE", &found.software},
                              std::pair{"SYSTEM", &found.system},
                              std::pair{"DEFAULT", &found.defaultUser}}) {
        const auto hive = FindEntry(*config, name);
        if (!hive || !IsFile(*hive)) return std::nullopt;
        *path = *hive;
    }
    return found;
}

}  // namespace

std::optional<NtInstallation> FindNtInstallation(const std::string& named) {
    const std::string folder = WithoutTrailingSlashes(named);
    if (!IsFolder(folder)) return std::nullopt;
    if (auto found = WithWindowsFolder(named, folder, ParentOf(folder))) return found;
    for (const char* windows : {"Windows", "WINNT"}) {
        if (const auto path = FindEntry(folder, windows)) {
            if (auto found = WithWindowsFolder(named, *path, folder)) return found;
        }
    }
    return std::nullopt;
}

std::vector<UserProfile> FindProfiles(const NtInstallation& installation) {
    std::vector<UserProfile> profiles;
    std::vector<std::string> places;
    for (const char* name : {"Users", "Documents and Settings"}) {
        if (const auto place = FindEntry(installation.driveRoot, name)) places.push_back(*place);
    }
    if (const auto place = FindEntry(installation.windows, "Profiles")) places.push_back(*place);
    for (const std::string& place : places) {
        for (const std::string& name : SubFolders(place)) {
            const auto hive = FindEntry(place + "/" + name, "NTUSER.DAT");
            if (hive && IsFile(*hive)) profiles.push_back({name, *hive});
        }
    }
    return profiles;
}

std::optional<UserProfile> FindProfile(const NtInstallation& installation,
                                       const std::string& name) {
    for (UserProfile& profile : FindProfiles(installation)) {
        if (::strcasecmp(profile.name.c_str(), name.c_str()) == 0) return std::move(profile);
    }
    return std::nullopt;
}

std::string NoSuchProfile(const NtInstallation& installation, const std::string& name) {
    std::string text = "No user profile named \"" + name + "\" holds an NTUSER.DAT in the Windows "
                       "installation " + installation.folder + ".";
    const auto profiles = FindProfiles(installation);
    if (profiles.empty()) return text + " It has no user profiles.";
    text += " The profiles found are:";
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        text += (i ? ", " : " ") + profiles[i].name;
    }
    return text + ".";
}

}  // namespace regf
