// The registry of Windows NT in its Unicode forms: advapi32's functions, passed straight
// through.
#pragma once

#include "platform/win32/win32_wide_registry.h"

namespace platform::win32 {

class NtRegistry final : public Win32WideRegistry {
public:
    Long RegOpenKeyExW(Hkey key, const char16_t* subKey, Dword options, Regsam access,
                       Hkey* result) override;
    Long RegCreateKeyExW(Hkey key, const char16_t* subKey, Dword reserved, char16_t* className,
                         Dword options, Regsam access, const void* securityAttributes, Hkey* result,
                         Dword* disposition) override;
    Long RegQueryValueExW(Hkey key, const char16_t* valueName, Dword* reserved, Dword* type,
                          std::uint8_t* data, Dword* size) override;
    Long RegSetValueExW(Hkey key, const char16_t* valueName, Dword reserved, Dword type,
                        const std::uint8_t* data, Dword size) override;
    Long RegDeleteKeyW(Hkey key, const char16_t* subKey) override;
    Long RegDeleteValueW(Hkey key, const char16_t* valueName) override;
    Long RegEnumKeyExW(Hkey key, Dword index, char16_t* name, Dword* nameLength, Dword* reserved,
                       char16_t* className, Dword* classLength, void* lastWriteTime) override;
    Long RegEnumValueW(Hkey key, Dword index, char16_t* name, Dword* nameLength, Dword* reserved,
                       Dword* type, std::uint8_t* data, Dword* dataSize) override;
    Long RegQueryInfoKeyW(Hkey key, char16_t* className, Dword* classLength, Dword* reserved,
                          Dword* subKeys, Dword* maxSubKeyLength, Dword* maxClassLength,
                          Dword* values, Dword* maxValueNameLength, Dword* maxValueSize,
                          Dword* securityDescriptorSize, void* lastWriteTime) override;
    RegistryFamily Family() const override { return RegistryFamily::WindowsNt; }
};

}  // namespace platform::win32
