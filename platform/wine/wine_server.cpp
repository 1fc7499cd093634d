#include "platform/wine/wine_server.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace wine {
namespace {

bool LockHeld(const std::string& folder) {
    const int fd = ::open((folder + "/lock").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const bool held = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

}  // namespace

// The server folder is named by the prefix's device and inode, under /tmp/.wine-UID, or,
// where Wine is built to choose a private folder, under the one named in the prefix's
// "wineserver" file.
bool WineServerServes(const std::string& prefix) {
    struct stat status {};
    if (::stat(prefix.c_str(), &status) != 0) return false;
    char leaf[64];
    std::snprintf(leaf, sizeof leaf, "/server-%llx-%llx",
                  static_cast<unsigned long long>(status.st_dev),
                  static_cast<unsigned long long>(status.st_ino));
    std::vector<std::string> parents = {"/tmp/.wine-" + std::to_string(::getuid())};
    std::ifstream named(prefix + "/wineserver");
    std::string folder;
    if (named >> folder && folder.find('/') == std::string::npos && folder != ".." && folder != ".") {
        if (const char* temporary = std::getenv("TMPDIR"); temporary && *temporary) {
            parents.push_back(std::string(temporary) + "/" + folder);
        }
        parents.push_back("/tmp/" + folder);
    }
    for (const std::string& parent : parents) {
        if (LockHeld(parent + leaf)) return true;
    }
    return false;
}

}  // namespace wine
