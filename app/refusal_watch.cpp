#include "app/refusal_watch.h"

namespace app {

using platform::Dword;
using platform::Hkey;
using platform::Long;

Long RefusalWatch::Seen(Long status) noexcept {
    if (status == platform::kErrorAccessDenied) accessDenied_ = true;
    return status;
}

Long RefusalWatch::RegOpenKeyExA(Hkey key, const char* subKey, Dword options,
                                 platform::Regsam access, Hkey* result) {
    return Seen(inner_.RegOpenKeyExA(key, subKey, options, access, result));
}

Long RefusalWatch::RegCreateKeyExA(Hkey key, const char* subKey, Dword reserved, char* className,
                                   Dword options, platform::Regsam access,
                                   const void* securityAttributes, Hkey* result,
                                   Dword* disposition) {
    return Seen(inner_.RegCreateKeyExA(key, subKey, reserved, className, options, access,
                                       securityAttributes, result, disposition));
}

Long RefusalWatch::RegQueryValueExA(Hkey key, const char* valueName, Dword* reserved, Dword* type,
                                    std::uint8_t* data, Dword* size) {
    return Seen(inner_.RegQueryValueExA(key, valueName, reserved, type, data, size));
}

Long RefusalWatch::RegSetValueExA(Hkey key, const char* valueName, Dword reserved, Dword type,
                                  const std::uint8_t* data, Dword size) {
    return Seen(inner_.RegSetValueExA(key, valueName, reserved, type, data, size));
}

Long RefusalWatch::RegDeleteKeyA(Hkey key, const char* subKey) {
    return Seen(inner_.RegDeleteKeyA(key, subKey));
}

Long RefusalWatch::RegDeleteValueA(Hkey key, const char* valueName) {
    return Seen(inner_.RegDeleteValueA(key, valueName));
}

Long RefusalWatch::RegCloseKey(Hkey key) { return inner_.RegCloseKey(key); }

}  // namespace app
