// What names a mounted file system: its label, its UUID text and its type, and the 32-bit
// serial number Windows would show for it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform::posix {

struct VolumeIdentity {
    std::string label;  // UTF-8; empty when the file system has none
    std::string uuid;   // as the system writes it: "1A2B-3C4D", "3f2a9c1e-...", ...
    std::string type;   // "vfat", "exfat", "ntfs", "ext4", ...
};

// Reads the label, UUID and type from a device or an image file with libblkid; nullopt
// when it cannot be read or holds no known file system.
std::optional<VolumeIdentity> ProbeFilesystem(const std::string& path);

// The label and UUID udev recorded for a device, from the by-label and by-uuid links in
// diskDir, readable by any user; nullopt when udev has no UUID link for it.
std::optional<VolumeIdentity> IdentityFromUdev(const std::string& device,
                                               const std::string& diskDir);

// The label and UUID in libblkid's cache, readable by any user.
std::optional<VolumeIdentity> IdentityFromBlkidCache(const std::string& device);

// The serial Windows shows: for FAT and exFAT the UUID "1A2B-3C4D" read as 0x1A2B3C4D,
// for NTFS the last 8 of its 16 hex digits, for others the first 8 hex digits.
std::optional<std::uint32_t> SerialFromUuid(std::string_view type, std::string_view uuid);

}  // namespace platform::posix
