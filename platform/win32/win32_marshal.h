// The registry's own types as the Windows functions take them, and results copied into a
// caller's out-parameters as the registry functions copy them.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win_types.h"

namespace platform::win32 {

static_assert(sizeof(Hkey) == sizeof(HKEY));
static_assert(sizeof(Dword) == sizeof(DWORD));
static_assert(sizeof(char16_t) == sizeof(wchar_t));

// Handles cross unchanged; the root codes are already sign-extended, as Windows defines
// the predefined keys on 64-bit systems.
inline HKEY Native(Hkey key) { return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(key)); }
inline PHKEY Native(Hkey* key) { return reinterpret_cast<PHKEY>(key); }
inline LPDWORD Words(Dword* value) { return reinterpret_cast<LPDWORD>(value); }
inline LPCWSTR Wide(const char16_t* text) { return reinterpret_cast<LPCWSTR>(text); }
inline LPWSTR Wide(char16_t* text) { return reinterpret_cast<LPWSTR>(text); }
inline LPSECURITY_ATTRIBUTES Security(const void* attributes) {
    return static_cast<LPSECURITY_ATTRIBUTES>(const_cast<void*>(attributes));
}

// Copies text with its NUL into a caller's buffer of *length characters; *length is then
// the text's length without the NUL, or, when it does not fit, ERROR_MORE_DATA.
inline Long CopyName(const std::u16string& text, char16_t* buffer, Dword* length) {
    if (!length) return kErrorInvalidParameter;
    if (!buffer || *length <= text.size()) {
        *length = static_cast<Dword>(text.size() + 1);
        return kErrorMoreData;
    }
    std::copy(text.begin(), text.end(), buffer);
    buffer[text.size()] = u'\0';
    *length = static_cast<Dword>(text.size());
    return kErrorSuccess;
}

// Copies data into a caller's buffer of *size bytes: a null buffer asks for the size, a
// short one gets ERROR_MORE_DATA.
inline Long CopyData(const std::vector<std::uint8_t>& data, std::uint8_t* buffer, Dword* size) {
    if (!size) return buffer ? kErrorInvalidParameter : kErrorSuccess;
    const Dword needed = static_cast<Dword>(data.size());
    if (!buffer) {
        *size = needed;
        return kErrorSuccess;
    }
    if (*size < needed) {
        *size = needed;
        return kErrorMoreData;
    }
    std::copy(data.begin(), data.end(), buffer);
    *size = needed;
    return kErrorSuccess;
}

}  // namespace platform::win32
