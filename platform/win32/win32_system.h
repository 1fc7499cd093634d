// The real system calls: kernel32's functions, passed straight through.
#pragma once

#include "platform/system_api.h"

namespace platform::win32 {

class Win32System final : public SystemApi {
public:
    Dword GetWindowsDirectoryA(char* buffer, Dword size) override;
    Dword GetSystemDirectoryA(char* buffer, Dword size) override;
    Bool GetComputerNameA(char* buffer, Dword* size) override;
    Bool GetVolumeInformationA(const char* rootPath, char* volumeName, Dword volumeNameSize,
                               Dword* serialNumber, Dword* maxComponentLength,
                               Dword* fileSystemFlags, char* fileSystemName,
                               Dword fileSystemNameSize) override;
};

}  // namespace platform::win32
