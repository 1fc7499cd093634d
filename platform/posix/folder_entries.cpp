#include "platform/posix/folder_entries.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>

namespace platform::posix {

std::optional<std::string> FindEntry(const std::string& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return std::nullopt;
    std::optional<std::string> found;
    while (const dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = folder + (folder.ends_with('/') ? "" : "/") + entry->d_name;
            // The exact spelling wins over another that differs in case only.
            if (name == entry->d_name) break;
        }
    }
    ::closedir(dir);
    return found;
}

std::optional<std::string> FindPath(const std::string& folder,
                                    const std::vector<std::string>& names) {
    std::string at = folder;
    for (const std::string& name : names) {
        const auto next = FindEntry(at, name);
        if (!next) return std::nullopt;
        at = *next;
    }
    return at;
}

std::vector<std::string> SubFolders(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (IsFolder(folder + "/" + name)) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool IsFolder(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool IsFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace platform::posix
