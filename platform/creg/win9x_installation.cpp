#include "platform/creg/win9x_installation.h"

#include <dirent.h>
#include <strings.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/creg/mounted_tree.h"
#include "platform/file_error_status.h"
#include "platform/posix/folder_entries.h"

namespace creg {
namespace {

// Names match in any case, as FAT matches them.
using platform::posix::FindEntry;
using platform::posix::FindPath;
using platform::posix::IsFolder;

std::string Join(const std::string& folder, const std::string& name) {
    return folder + (folder.ends_with('/') ? "" : "/") + name;
}

std::optional<InstallationFiles> FilesIn(const std::string& folder) {
    InstallationFiles files;
    const auto system = FindEntry(folder, "SYSTEM.DAT");
    const auto user = FindEntry(folder, "USER.DAT");
    if (!system || !user) return std::nullopt;
    files.windowsFolder = folder;
    files.system = *system;
    files.user = *user;
    files.classes = FindEntry(folder, "CLASSES.DAT");
    return files;
}

std::string Trim(std::string text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The Windows folder MSDOS.SYS names below root: [Paths] WinDir=C:\WINDOWS.
std::optional<std::string> WinDirOf(const std::string& root) {
    const auto msdos = FindEntry(root, "MSDOS.SYS");
    if (!msdos) return std::nullopt;
    std::ifstream in(*msdos, std::ios::binary);
    std::string line;
    bool paths = false;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.starts_with('[')) {
            paths = ::strncasecmp(line.c_str(), "[Paths]", 7) == 0;
            continue;
        }
        const auto equals = line.find('=');
        if (!paths || equals == std::string::npos) continue;
        if (::strcasecmp(Trim(line.substr(0, equals)).c_str(), "WinDir") != 0) continue;
        std::string value = Trim(line.substr(equals + 1));
        if (value.size() >= 2 && value[1] == ':') value.erase(0, 2);
        std::vector<std::string> names;
        std::istringstream parts(value);
        for (std::string part; std::getline(parts, part, '\\');) {
            if (!part.empty()) names.push_back(std::move(part));
        }
        return FindPath(root, names);
    }
    return std::nullopt;
}

}  // namespace

std::optional<InstallationFiles> Win9xInstallation::Find(const std::string& path) {
    if (!IsFolder(path)) return std::nullopt;
    if (auto files = FilesIn(path)) return files;
    if (const auto windows = WinDirOf(path)) {
        if (auto files = FilesIn(*windows)) return files;
    }
    // A drive root without MSDOS.SYS: the one folder below it that holds the files.
    DIR* dir = ::opendir(path.c_str());
    if (!dir) return std::nullopt;
    std::optional<InstallationFiles> found;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string below = Join(path, name);
        if (!IsFolder(below)) continue;
        if (auto files = FilesIn(below)) {
            found = std::move(files);
            break;
        }
    }
    ::closedir(dir);
    return found;
}

Win9xInstallation::Win9xInstallation(InstallationFiles files, HiveText text,
                                     std::optional<std::string> profile, WriteOptions options)
    : files_(std::move(files)) {
    const bool opened = OpenFiles([&] {
        system_ =
            std::make_unique<CregFileTree>(files_.system, u"HKEY_LOCAL_MACHINE", text, options);
        user_ = std::make_unique<CregFileTree>(files_.user, u"HKEY_USERS", text, options);
        if (files_.classes) {
            classes_ = std::make_unique<CregFileTree>(*files_.classes, u"Classes", text, options);
        }
        currentUserFile_ = files_.user;
        if (profile) {
            // Profiles are on when Network\Logon says so; a profile keeps its USER.DAT in
            // Profiles\<name> of the Windows folder.
            const auto logon = system_->FindChild(CregFileTree::kRootKey, u"Network");
            const auto logonKey = logon ? system_->FindChild(*logon, u"Logon") : std::nullopt;
            const auto on =
                logonKey ? system_->FindValue(*logonKey, u"UserProfiles") : std::nullopt;
            const bool profilesOn = on && !on->data.empty() && on->data[0] != 0;
            if (!profilesOn) {
                throw CregFileError("The profile " + *profile +
                                    " is named, but user profiles are "
                                    "off in " +
                                    files_.system + " (Network\\Logon, UserProfiles).");
            }
            const auto profiles = FindEntry(files_.windowsFolder, "Profiles");
            const auto folder = profiles ? FindEntry(*profiles, *profile) : std::nullopt;
            const auto userFile = folder ? FindEntry(*folder, "USER.DAT") : std::nullopt;
            if (!userFile) {
                throw CregFileError("The profile " + *profile + " has no USER.DAT in " +
                                    Join(Join(files_.windowsFolder, "Profiles"), *profile) + ".");
            }
            profile_ =
                std::make_unique<CregFileTree>(*userFile, u"HKEY_CURRENT_USER", text, options);
            currentUserFile_ = *userFile;
        }
        std::vector<platform::FileTree*> trees = {system_.get(), user_.get()};
        if (classes_) trees.push_back(classes_.get());
        if (profile_) trees.push_back(profile_.get());
        return trees;
    });
    if (!opened) return;
    machine_ = std::make_unique<MountedTree>(*system_, CregFileTree::kRootKey, u"Software",
                                             u"Classes", classes_.get(), CregFileTree::kRootKey);
    roots_.Serve(platform::kHkeyLocalMachine, *machine_,
                 MountedTree::Outer(CregFileTree::kRootKey));
    roots_.Serve(platform::kHkeyUsers, *user_, CregFileTree::kRootKey);
    if (profile_) {
        roots_.Serve(platform::kHkeyCurrentUser, *profile_, CregFileTree::kRootKey);
    } else {
        roots_.Link(platform::kHkeyCurrentUser, platform::kHkeyUsers, platform::kCurrentUserPath);
    }
    platform::MapCommonRoots(roots_, dynData_);
}

Win9xInstallation::~Win9xInstallation() = default;

platform::Long Win9xInstallation::StorageFailure() {
    try {
        throw;
    } catch (const CregTextError&) {
        // The tool and the window say this in their own words.
        return platform::kErrorNoUnicodeTranslation;
    } catch (const CregLimitError& error) {
        problem_ = error.what();
        return platform::kErrorInvalidParameter;
    } catch (const CregFileError& error) {
        problem_ = error.what();
        return platform::StatusOfFileError(error.Error());
    } catch (...) {
        return FileRegistry::StorageFailure();
    }
}

}  // namespace creg
