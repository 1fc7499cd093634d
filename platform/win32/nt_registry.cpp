#include "platform/win32/nt_registry.h"

#include "platform/win32/win32_marshal.h"

namespace platform::win32 {

Long NtRegistry::RegOpenKeyExW(Hkey key, const char16_t* subKey, Dword options, Regsam access,
                               Hkey* result) {
    return ::RegOpenKeyExW(Native(key), Wide(subKey), options, access, Native(result));
}

Long NtRegistry::RegCreateKeyExW(Hkey key, const char16_t* subKey, Dword reserved,
                                 char16_t* className, Dword options, Regsam access,
                                 const void* securityAttributes, Hkey* result, Dword* disposition) {
    return ::RegCreateKeyExW(Native(key), Wide(subKey), reserved, Wide(className), options, access,
                             Security(securityAttributes), Native(result), Words(disposition));
}

Long NtRegistry::RegQueryValueExW(Hkey key, const char16_t* valueName, Dword* reserved, Dword* type,
                                  std::uint8_t* data, Dword* size) {
    return ::RegQueryValueExW(Native(key), Wide(valueName), Words(reserved), Words(type), data,
                              Words(size));
}

Long NtRegistry::RegSetValueExW(Hkey key, const char16_t* valueName, Dword reserved, Dword type,
                                const std::uint8_t* data, Dword size) {
    return ::RegSetValueExW(Native(key), Wide(valueName), reserved, type, data, size);
}

Long NtRegistry::RegDeleteKeyW(Hkey key, const char16_t* subKey) {
    return ::RegDeleteKeyW(Native(key), Wide(subKey));
}

Long NtRegistry::RegDeleteValueW(Hkey key, const char16_t* valueName) {
    return ::RegDeleteValueW(Native(key), Wide(valueName));
}

Long NtRegistry::RegEnumKeyExW(Hkey key, Dword index, char16_t* name, Dword* nameLength,
                               Dword* reserved, char16_t* className, Dword* classLength,
                               void* lastWriteTime) {
    return ::RegEnumKeyExW(Native(key), index, Wide(name), Words(nameLength), Words(reserved),
                           Wide(className), Words(classLength),
                           static_cast<PFILETIME>(lastWriteTime));
}

Long NtRegistry::RegEnumValueW(Hkey key, Dword index, char16_t* name, Dword* nameLength,
                               Dword* reserved, Dword* type, std::uint8_t* data, Dword* dataSize) {
    return ::RegEnumValueW(Native(key), index, Wide(name), Words(nameLength), Words(reserved),
                           Words(type), data, Words(dataSize));
}

Long NtRegistry::RegQueryInfoKeyW(Hkey key, char16_t* className, Dword* classLength,
                                  Dword* reserved, Dword* subKeys, Dword* maxSubKeyLength,
                                  Dword* maxClassLength, Dword* values, Dword* maxValueNameLength,
                                  Dword* maxValueSize, Dword* securityDescriptorSize,
                                  void* lastWriteTime) {
    return ::RegQueryInfoKeyW(Native(key), Wide(className), Words(classLength), Words(reserved),
                              Words(subKeys), Words(maxSubKeyLength), Words(maxClassLength),
                              Words(values), Words(maxValueNameLength), Words(maxValueSize),
                              Words(securityDescriptorSize), static_cast<PFILETIME>(lastWriteTime));
}

}  // namespace platform::win32
