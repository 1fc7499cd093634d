// The real registry: advapi32's 8-bit functions, passed straight through. This is all
// the window program needs, and all it imports of the registry.
#pragma once

#include "platform/registry_api.h"

namespace platform::win32 {

class Win32Registry final : public RegistryApi {
public:
    Long RegOpenKeyExA(Hkey key, const char* subKey, Dword options, Regsam access,
                       Hkey* result) override;
    Long RegCreateKeyExA(Hkey key, const char* subKey, Dword reserved, char* className,
                         Dword options, Regsam access, const void* securityAttributes, Hkey* result,
                         Dword* disposition) override;
    Long RegQueryValueExA(Hkey key, const char* valueName, Dword* reserved, Dword* type,
                          std::uint8_t* data, Dword* size) override;
    Long RegSetValueExA(Hkey key, const char* valueName, Dword reserved, Dword type,
                        const std::uint8_t* data, Dword size) override;
    Long RegDeleteKeyA(Hkey key, const char* subKey) override;
    Long RegDeleteValueA(Hkey key, const char* valueName) override;
    Long RegCloseKey(Hkey key) override;
};

}  // namespace platform::win32
