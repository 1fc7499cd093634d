#include "platform/win32/win32_registry.h"

#include "platform/win32/win32_marshal.h"

namespace platform::win32 {

Long Win32Registry::RegOpenKeyExA(Hkey key, const char* subKey, Dword options, Regsam access,
                                  Hkey* result) {
    return ::RegOpenKeyExA(Native(key), subKey, options, access, Native(result));
}

Long Win32Registry::RegCreateKeyExA(Hkey key, const char* subKey, Dword reserved, char* className,
                                    Dword options, Regsam access, const void* securityAttributes,
                                    Hkey* result, Dword* disposition) {
    return ::RegCreateKeyExA(Native(key), subKey, reserved, className, options, access,
                             Security(securityAttributes), Native(result), Words(disposition));
}

Long Win32Registry::RegQueryValueExA(Hkey key, const char* valueName, Dword* reserved, Dword* type,
                                     std::uint8_t* data, Dword* size) {
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

}  // namespace platform::win32
