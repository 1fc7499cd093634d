// The system calls the control makes, in the shapes of kernel32.
#pragma once

#include "platform/win_types.h"

namespace platform {

using Bool = std::int32_t;

// Directories, computer name and volume information, 8-bit-character forms. Texts are in
// the active code page; no implementation throws.
class SystemApi {
public:
    virtual ~SystemApi() = default;

    // Writes the Windows directory and a NUL; returns its length, or the size needed
    // (NUL included) when the buffer is too small, or 0 on failure.
    virtual Dword GetWindowsDirectoryA(char* buffer, Dword size) = 0;
    // The same for the system directory.
    virtual Dword GetSystemDirectoryA(char* buffer, Dword size) = 0;
    // Writes the computer name and a NUL; *size is the buffer's size on the way in and the
    // name's length on the way out (the size needed when the buffer is too small).
    virtual Bool GetComputerNameA(char* buffer, Dword* size) = 0;
    // The label, serial number and file system of the volume whose root is rootPath;
    // on failure nothing is written.
    virtual Bool GetVolumeInformationA(const char* rootPath, char* volumeName,
                                       Dword volumeNameSize, Dword* serialNumber,
                                       Dword* maxComponentLength, Dword* fileSystemFlags,
                                       char* fileSystemName, Dword fileSystemNameSize) = 0;
};

}  // namespace platform
