#include "store_location.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace store {

std::string DefaultStorePath() {
    if (const char* named = std::getenv("VANTREL_REGISTRY"); named && *named) return named;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) {
        return std::string(data) + "/vantrel/registry.db";
    }
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* account = getpwuid(getuid());
        home = account ? account->pw_dir : ".";
    }
    return std::string(home) + "/.local/share/vantrel/registry.db";
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace store
