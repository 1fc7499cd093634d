#include "platform/win32/win32_wide_registry.h"

namespace platform::win32 {

Long Win32WideRegistry::RegOpenKeyExA(Hkey key, const char* subKey, Dword options, Regsam access,
                                      Hkey* result) {
    return narrow_.RegOpenKeyExA(key, subKey, options, access, result);
}

Long Win32WideRegistry::RegCreateKeyExA(Hkey key, const char* subKey, Dword reserved,
                                        char* className, Dword options, Regsam access,
                                        const void* securityAttributes, Hkey* result,
                                        Dword* disposition) {
    return narrow_.RegCreateKeyExA(key, subKey, reserved, className, options, access,
                                   securityAttributes, result, disposition);
}

Long Win32WideRegistry::RegQueryValueExA(Hkey key, const char* valueName, Dword* reserved,
                                         Dword* type, std::uint8_t* data, Dword* size) {
    return narrow_.RegQueryValueExA(key, valueName, reserved, type, data, size);
}

Long Win32WideRegistry::RegSetValueExA(Hkey key, const char* valueName, Dword reserved, Dword type,
                                       const std::uint8_t* data, Dword size) {
    return narrow_.RegSetValueExA(key, valueName, reserved, type, data, size);
}

Long Win32WideRegistry::RegDeleteKeyA(Hkey key, const char* subKey) {
    return narrow_.RegDeleteKeyA(key, subKey);
}

Long Win32WideRegistry::RegDeleteValueA(Hkey key, const char* valueName) {
    return narrow_.RegDeleteValueA(key, valueName);
}

Long Win32WideRegistry::RegCloseKey(Hkey key) { return narrow_.RegCloseKey(key); }

}  // namespace platform::win32
