#include "platform/win32/win32_system.h"

#include "platform/win32/win32_marshal.h"

namespace platform::win32 {

Dword Win32System::GetWindowsDirectoryA(char* buffer, Dword size) {
    return ::GetWindowsDirectoryA(buffer, size);
}

Dword Win32System::GetSystemDirectoryA(char* buffer, Dword size) {
    return ::GetSystemDirectoryA(buffer, size);
}

Bool Win32System::GetComputerNameA(char* buffer, Dword* size) {
    return ::GetComputerNameA(buffer, Words(size));
}

Bool Win32System::GetVolumeInformationA(const char* rootPath, char* volumeName,
                                        Dword volumeNameSize, Dword* serialNumber,
                                        Dword* maxComponentLength, Dword* fileSystemFlags,
                                        char* fileSystemName, Dword fileSystemNameSize) {
    return ::GetVolumeInformationA(rootPath, volumeName, volumeNameSize, Words(serialNumber),
                                   Words(maxComponentLength), Words(fileSystemFlags),
                                   fileSystemName, fileSystemNameSize);
}

}  // namespace platform::win32
