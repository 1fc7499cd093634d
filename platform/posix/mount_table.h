// The kernel's table of mounted file systems (/proc/self/mountinfo).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::posix {

// One mounted file system.
struct MountEntry {
    std::string mountPoint;  // where it is mounted, unescaped
    std::string fsType;      // "vfat", "ext4", "tmpfs", ...
    std::string source;      // the device or image it comes from, or a name such as "tmpfs"
};

// Parses mountinfo text; malformed lines are skipped. Later lines mount over earlier ones.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// Decodes the octal escapes (\040 for a space) the kernel writes in mount fields.
std::string UnescapeMountField(std::string_view field);

}  // namespace platform::posix
