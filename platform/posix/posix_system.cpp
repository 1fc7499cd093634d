#include "platform/posix/posix_system.h"

#include <sys/statfs.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>

#include "platform/codepage.h"
#include "platform/posix/mount_table.h"
#include "platform/posix/utf8.h"
#include "platform/posix/volume_identity.h"

namespace platform::posix {
namespace {

// System texts are UTF-8; the caller reads them in the code page.
std::string ToCodePage(const std::string& utf8) { return codepage::Encode(Utf8ToUtf16(utf8)); }

Dword CopyDirectory(const char* directory, char* buffer, Dword size) {
    const std::string text = ToCodePage(directory);
    if (!buffer || size <= text.size()) return static_cast<Dword>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<Dword>(text.size());
}

struct Volume {
    std::string label;  // UTF-8
    std::uint32_t serial = 0;
    std::string fsType;
};

// A device's identity, from the sources an ordinary user can read first.
std::optional<VolumeIdentity> IdentityOf(const MountEntry& mount, const std::string& diskDir) {
    if (auto identity = IdentityFromUdev(mount.source, diskDir)) return identity;
    if (auto identity = ProbeFilesystem(mount.source)) return identity;
    return IdentityFromBlkidCache(mount.source);
}

std::optional<Volume> VolumeAt(const MountEntry& mount, const std::string& diskDir) {
    Volume volume{"", 0, mount.fsType};
    const bool hasDevice = mount.source.starts_with("/");
    if (const auto identity = hasDevice ? IdentityOf(mount, diskDir) : std::nullopt) {
        const std::string& type = identity->type.empty() ? mount.fsType : identity->type;
        if (const auto serial = SerialFromUuid(type, identity->uuid)) {
            volume.label = identity->label;
            volume.serial = *serial;
            volume.fsType = type;
            return volume;
        }
    }
    // No device, or none that can be read: the file-system id names the volume.
    struct statfs info {};
    if (statfs(mount.mountPoint.c_str(), &info) != 0) return std::nullopt;
    std::uint32_t low = 0;
    std::memcpy(&low, &info.f_fsid, sizeof low);
    volume.serial = low;
    return volume;
}

std::string ReadFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

}  // namespace

PosixSystem::PosixSystem(std::string mountInfo, std::string diskDir)
    : mountInfo_(std::move(mountInfo)), diskDir_(std::move(diskDir)) {}

Dword PosixSystem::GetWindowsDirectoryA(char* buffer, Dword size) {
    return CopyDirectory(kWindowsDirectory, buffer, size);
}

Dword PosixSystem::GetSystemDirectoryA(char* buffer, Dword size) {
    return CopyDirectory(kSystemDirectory, buffer, size);
}

Bool PosixSystem::GetComputerNameA(char* buffer, Dword* size) {
    if (!buffer || !size) return 0;
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) return 0;
    // The computer name is the host's first label.
    const std::string name = ToCodePage(std::string(host, strcspn(host, ".")));
    if (*size <= name.size()) {
        *size = static_cast<Dword>(name.size() + 1);
        return 0;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *size = static_cast<Dword>(name.size());
    return 1;
}

Bool PosixSystem::GetVolumeInformationA(const char* rootPath, char* volumeName,
                                        Dword volumeNameSize, Dword* serialNumber,
                                        Dword* maxComponentLength, Dword* fileSystemFlags,
                                        char* fileSystemName, Dword fileSystemNameSize) {
    if (!rootPath) return 0;
    // Through the code page, so that a mount point it cannot represent is never matched.
    std::string path = Utf16ToUtf8(codepage::Decode(rootPath));
    if (path.empty() || path.back() != '/') return 0;
    if (path != "/") path.pop_back();

    std::optional<MountEntry> mount;
    for (const auto& entry : ParseMountInfo(ReadFile(mountInfo_))) {
        if (entry.mountPoint == path) mount = entry;  // the last mount is the one seen
    }
    if (!mount) return 0;
    const auto volume = VolumeAt(*mount, diskDir_);
    if (!volume) return 0;

    // The label must fit the caller's buffer with its NUL, or the call fails.
    const std::string label = ToCodePage(volume->label);
    if (volumeName && volumeNameSize <= label.size()) return 0;
    if (volumeName) std::memcpy(volumeName, label.c_str(), label.size() + 1);
    if (serialNumber) *serialNumber = volume->serial;
    if (maxComponentLength) *maxComponentLength = 255;
    if (fileSystemFlags) *fileSystemFlags = 0;
    if (fileSystemName && fileSystemNameSize > 0) {
        std::string type = volume->fsType.substr(0, fileSystemNameSize - 1);
        for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::memcpy(fileSystemName, type.c_str(), type.size() + 1);
    }
    return 1;
}

}  // namespace platform::posix
