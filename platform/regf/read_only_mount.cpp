#include "platform/regf/read_only_mount.h"

#include <sys/statvfs.h>

#include <fstream>
#include <sstream>

#include "platform/posix/mount_table.h"

namespace regf {

std::optional<std::string> ReadOnlyMountOf(const std::string& path) {
    struct statvfs status {};
    if (::statvfs(path.c_str(), &status) != 0 || !(status.f_flag & ST_RDONLY)) return std::nullopt;
    // The mount point is only named for the message: the longest that holds the path.
    std::ifstream table("/proc/self/mountinfo");
    std::stringstream text;
    text << table.rdbuf();
    char* resolved = ::realpath(path.c_str(), nullptr);
    const std::string real = resolved ? resolved : path;
    std::free(resolved);
    std::string best = "/";
    for (const auto& entry : platform::posix::ParseMountInfo(text.str())) {
        const std::string& point = entry.mountPoint;
        const bool holds = real == point || point == "/" ||
                           (real.starts_with(point) && real.size() > point.size() &&
                            real[point.size()] == '/');
        if (holds && point.size() >= best.size()) best = point;
    }
    return best;
}

}  // namespace regf
