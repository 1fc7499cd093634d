// The system calls on a POSIX system: what stands for the Windows directories, the host
// name as the computer name, and mounted file systems as volumes.
#pragma once

#include <string>

#include "platform/system_api.h"

namespace platform::posix {

// The directory that stands for the Windows directory: where the operating system keeps
// its own installed programs and data.
inline constexpr const char* kWindowsDirectory = "/usr";
// The directory that stands for the system directory: the system's shared libraries, as
// the system directory holds the system's libraries on Windows.
inline constexpr const char* kSystemDirectory = "/usr/lib";

class PosixSystem final : public SystemApi {
public:
    // mountInfo is the kernel's mount table; diskDir holds udev's by-label and by-uuid links.
    explicit PosixSystem(std::string mountInfo = "/proc/self/mountinfo",
                         std::string diskDir = "/dev/disk");

    Dword GetWindowsDirectoryA(char* buffer, Dword size) override;
    Dword GetSystemDirectoryA(char* buffer, Dword size) override;
    Bool GetComputerNameA(char* buffer, Dword* size) override;
    // A root path is a mount point followed by "/" ("/" itself, "/media/user/STICK/"); any
    // other path names no volume.
    Bool GetVolumeInformationA(const char* rootPath, char* volumeName, Dword volumeNameSize,
                               Dword* serialNumber, Dword* maxComponentLength,
                               Dword* fileSystemFlags, char* fileSystemName,
                               Dword fileSystemNameSize) override;

private:
    std::string mountInfo_;
    std::string diskDir_;
};

}  // namespace platform::posix
