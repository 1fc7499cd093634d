// The real registry in its Unicode forms, with enumeration, for the command-line tool.
// Windows NT serves them itself; Windows 9x has only stubs for them, so there they are
// served by the 8-bit functions through the active code page, and a name or a text that
// the code page cannot hold is refused with ERROR_NO_UNICODE_TRANSLATION.
#pragma once

#include "platform/wide_registry_api.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/windows_version.h"

namespace platform::win32 {

class Win32WideRegistry final : public WideRegistryApi {
public:
    Win32WideRegistry();

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

    // Whether names and strings go through the code page (Windows 9x).
    bool EightBit() const noexcept { return eightBit_; }

private:
    Win32Registry narrow_;
    bool eightBit_;
};

}  // namespace platform::win32
