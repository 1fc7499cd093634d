// The registry's own vocabulary (status codes, root-key codes, data types) without <windows.h>.
#pragma once

#include <cstdint>

namespace platform {

using Long = std::int32_t;
using Dword = std::uint32_t;
using Regsam = std::uint32_t;

// A key handle as the registry functions take it: pointer-sized, null when nothing is open.
enum class Hkey : std::uintptr_t {};
inline constexpr Hkey kNullKey{};

// Status codes the registry functions return.
inline constexpr Long kErrorSuccess = 0;
inline constexpr Long kErrorFileNotFound = 2;
inline constexpr Long kErrorAccessDenied = 5;
inline constexpr Long kErrorInvalidHandle = 6;
inline constexpr Long kErrorInvalidParameter = 87;
inline constexpr Long kErrorDiskFull = 112;
inline constexpr Long kErrorBadPathname = 161;
inline constexpr Long kErrorMoreData = 234;
inline constexpr Long kErrorNoMoreItems = 259;
inline constexpr Long kErrorNoAccess = 998;
inline constexpr Long kErrorBadDb = 1009;
inline constexpr Long kErrorKeyDeleted = 1018;
// A name or text holds a character the 8-bit code page cannot.
inline constexpr Long kErrorNoUnicodeTranslation = 1113;

// The 32-bit codes of the predefined root keys.
inline constexpr Dword kHkeyClassesRoot = 0x80000000;
inline constexpr Dword kHkeyCurrentUser = 0x80000001;
inline constexpr Dword kHkeyLocalMachine = 0x80000002;
inline constexpr Dword kHkeyUsers = 0x80000003;
inline constexpr Dword kHkeyPerformanceData = 0x80000004;
inline constexpr Dword kHkeyCurrentConfig = 0x80000005;
inline constexpr Dword kHkeyDynData = 0x80000006;

// Turns a 32-bit root-key code into a key handle, sign-extended as the predefined
// handles are defined on 64-bit systems.
constexpr Hkey RootKey(Dword code) {
    return static_cast<Hkey>(static_cast<std::uintptr_t>(
        static_cast<std::intptr_t>(static_cast<std::int32_t>(code))));
}

// Access mask and options.
inline constexpr Regsam kKeyAllAccess = 0xF003F;
inline constexpr Dword kRegOptionNonVolatile = 0;
// Opens a symbolic-link key itself rather than the key it stands for.
inline constexpr Dword kRegOptionOpenLink = 8;

// Dispositions reported by RegCreateKeyEx.
inline constexpr Dword kRegCreatedNewKey = 1;
inline constexpr Dword kRegOpenedExistingKey = 2;

// Value data types.
inline constexpr Dword kRegNone = 0;
inline constexpr Dword kRegSz = 1;
inline constexpr Dword kRegExpandSz = 2;
inline constexpr Dword kRegBinary = 3;
inline constexpr Dword kRegDword = 4;
inline constexpr Dword kRegMultiSz = 7;

// Whether data of this type is text, which the 8-bit and Unicode forms convert.
constexpr bool IsStringType(Dword type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

}  // namespace platform
