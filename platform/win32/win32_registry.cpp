#include "platform/win32/win32_registry.h"

#include <windows.h>

namespace platform::win32 {
namespace {

// Handles cross unchanged; the root codes are already sign-extended, as Windows defines
// the predefined keys on 64-bit systems.
HKEY Native(Hkey key) { return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(key)); }
PHKEY Native(Hkey* key) { return reinterpret_cast<PHKEY>(key); }
LPCWSTR Wide(const char16_t* text) { return reinterpret_cast<LPCWSTR>(text); }
LPWSTR Wide(char16_t* text) { return reinterpret_cast<LPWSTR>(text); }
LPDWORD Words(Dword* value) { return reinterpret_cast<LPDWORD>(value); }
auto Security(const void* attributes) {
    return static_cast<LPSECURITY_ATTRIBUTES>(const_cast<void*>(attributes));
}

static_assert(sizeof(Hkey) == sizeof(HKEY));
static_assert(sizeof(Dword) == sizeof(DWORD));

}  // namespace

Long Win32Registry::RegOpenKeyExA(Hkey key, const char* subKey, Dword options, Regsam access,
                                  Hkey* result) {
    return ::RegOpenKeyExA(Native(key), subKey, options, access, Native(result));
}

Long Win32Registry::RegCreateKeyExA(Hkey key, const char* subKey, Dword reserved,
                                    char* className, Dword options, Regsam access,
                                    const void* securityAttributes, Hkey* result,
                                    Dword* disposition) {
    return ::RegCreateKeyExA(Native(key), subKey, reserved, className, options, access,
                             Security(securityAttributes), Native(result), Words(disposition));
}

Long Win32Registry::RegQueryValueExA(Hkey key, const char* valueName, Dword* reserved,
                                     Dword* type, std::uint8_t* data, Dword* size) {
    return ::RegQueryValueExA(Native(key), valueName, Words(reserved), Words(type), data,
                              Words(size));
}

Long Win32Registry::RegSetValueExA(Hkey key, const char* valueName, Dword reserved, Dword type,
                                   const std::uint8_t* data, Dword size) {
    return ::RegSetValueExA(Native(key), valueName, reserved, type, data, size);
}

Long Win32Registry::RegDeleteKeyA(Hkey key, const char* subKey) {
    return ::RegDeleteKeyA(Native(key), subKey);
}

Long Win32Registry::RegDeleteValueA(Hkey key, const char* valueName) {
    return ::RegDeleteValueA(Native(key), valueName);
}

Long Win32Registry::RegCloseKey(Hkey key) { return ::RegCloseKey(Native(key)); }

Long Win32Registry::RegOpenKeyExW(Hkey key, const char16_t* subKey, Dword options, Regsam access,
                                  Hkey* result) {
    return ::RegOpenKeyExW(Native(key), Wide(subKey), options, access, Native(result));
}

Long Win32Registry::RegCreateKeyExW(Hkey key, const char16_t* subKey, Dword reserved,
                                    char16_t* className, Dword options, Regsam access,
                                    const void* securityAttributes, Hkey* result,
                                    Dword* disposition) {
    return ::RegCreateKeyExW(Native(key), Wide(subKey), reserved, Wide(className), options,
                             access, Security(securityAttributes), Native(result),
                             Words(disposition));
}

Long Win32Registry::RegQueryValueExW(Hkey key, const char16_t* valueName, Dword* reserved,
                                     Dword* type, std::uint8_t* data, Dword* size) {
    return ::RegQueryValueExW(Native(key), Wide(valueName), Words(reserved), Words(type), data,
                              Words(size));
}

Long Win32Registry::RegSetValueExW(Hkey key, const char16_t* valueName, Dword reserved,
                                   Dword type, const std::uint8_t* data, Dword size) {
    return ::RegSetValueExW(Native(key), Wide(valueName), reserved, type, data, size);
}

Long Win32Registry::RegDeleteKeyW(Hkey key, const char16_t* subKey) {
    return ::RegDeleteKeyW(Native(key), Wide(subKey));
}

Long Win32Registry::RegDeleteValueW(Hkey key, const char16_t* valueName) {
    return ::RegDeleteValueW(Native(key), Wide(valueName));
}

Long Win32Registry::RegEnumKeyExW(Hkey key, Dword index, char16_t* name, Dword* nameLength,
                                  Dword* reserved, char16_t* className, Dword* classLength,
                                  void* lastWriteTime) {
    return ::RegEnumKeyExW(Native(key), index, Wide(name), Words(nameLength), Words(reserved),
                           Wide(className), Words(classLength),
                           static_cast<PFILETIME>(lastWriteTime));
}

Long Win32Registry::RegEnumValueW(Hkey key, Dword index, char16_t* name, Dword* nameLength,
                                  Dword* reserved, Dword* type, std::uint8_t* data,
                                  Dword* dataSize) {
    return ::RegEnumValueW(Native(key), index, Wide(name), Words(nameLength), Words(reserved),
                           Words(type), data, Words(dataSize));
}

Long Win32Registry::RegQueryInfoKeyW(Hkey key, char16_t* className, Dword* classLength,
                                     Dword* reserved, Dword* subKeys, Dword* maxSubKeyLength,
                                     Dword* maxClassLength, Dword* values,
                                     Dword* maxValueNameLength, Dword* maxValueSize,
                                     Dword* securityDescriptorSize, void* lastWriteTime) {
    return ::RegQueryInfoKeyW(Native(key), Wide(className), Words(classLength), Words(reserved),
                              Words(subKeys), Words(maxSubKeyLength), Words(maxClassLength),
                              Words(values), Words(maxValueNameLength), Words(maxValueSize),
                              Words(securityDescriptorSize), static_cast<PFILETIME>(lastWriteTime));
}

}  // namespace platform::win32
