// The registry functions the control calls, in the shapes and with the status codes of advapi32.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace platform {

// The line of Windows a registry is or stands for. It decides where that Windows keeps its
// registration information: Windows\CurrentVersion on 95, 98 and ME, Windows
// NT\CurrentVersion on NT 4 and every later Windows.
enum class RegistryFamily { Windows9x, WindowsNt };

// The seven registry functions, 8-bit-character forms. Every implementation returns the
// status codes of the real functions; none throws.
class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    // Opens subKey below key; *result is null after a failure.
    virtual Long RegOpenKeyExA(Hkey key, const char* subKey, Dword options, Regsam access,
                               Hkey* result) = 0;
    // Creates subKey and every missing key above it, or opens it when it exists.
    virtual Long RegCreateKeyExA(Hkey key, const char* subKey, Dword reserved, char* className,
                                 Dword options, Regsam access, const void* securityAttributes,
                                 Hkey* result, Dword* disposition) = 0;
    // Reads a value's type, size and data; a null data pointer asks for type and size only.
    virtual Long RegQueryValueExA(Hkey key, const char* valueName, Dword* reserved, Dword* type,
                                  std::uint8_t* data, Dword* size) = 0;
    // Stores size bytes of data under valueName with the given type.
    virtual Long RegSetValueExA(Hkey key, const char* valueName, Dword reserved, Dword type,
                                const std::uint8_t* data, Dword size) = 0;
    // Deletes the key subKey below key; a key with subkeys is refused.
    virtual Long RegDeleteKeyA(Hkey key, const char* subKey) = 0;
    // Deletes one value of key.
    virtual Long RegDeleteValueA(Hkey key, const char* valueName) = 0;
    // Closes a handle; closing a predefined root closes nothing.
    virtual Long RegCloseKey(Hkey key) = 0;
    // Which line of Windows this registry is.
    virtual RegistryFamily Family() const = 0;
};

}  // namespace platform
