// The real registry in its Unicode forms, with enumeration, for the command-line tool.
// Windows NT serves them itself (NtRegistry); Windows 9x has only stubs for them, so there
// they are served by the 8-bit functions through the code page (Win9xRegistry). main()
// picks one by the line of Windows it runs on. Both serve the 8-bit functions as they are.
#pragma once

#include "platform/wide_registry_api.h"
#include "platform/win32/win32_registry.h"

namespace platform::win32 {

class Win32WideRegistry : public WideRegistryApi {
public:
    Long RegOpenKeyExA(Hkey key, const char* subKey, Dword options, Regsam access,
                       Hkey* result) final;
    Long RegCreateKeyExA(Hkey key, const char* subKey, Dword reserved, char* className,
                         Dword options, Regsam access, const void* securityAttributes, Hkey* result,
                         Dword* disposition) final;
    Long RegQueryValueExA(Hkey key, const char* valueName, Dword* reserved, Dword* type,
                          std::uint8_t* data, Dword* size) final;
    Long RegSetValueExA(Hkey key, const char* valueName, Dword reserved, Dword type,
                        const std::uint8_t* data, Dword size) final;
    Long RegDeleteKeyA(Hkey key, const char* subKey) final;
    Long RegDeleteValueA(Hkey key, const char* valueName) final;
    Long RegCloseKey(Hkey key) final;

private:
    Win32Registry narrow_;
};

}  // namespace platform::win32
