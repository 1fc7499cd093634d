#include "platform/win32/win32_registry.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/win32/win32_marshal.h"
#include "platform/win32/windows_version.h"

namespace platform::win32 {
namespace {

// RegQueryValueExW, looked up at run time so that the program imports no Unicode registry
// function, which Windows 98 lacks; null on 9x and where UTF-8 is the code page, which
// holds every stored text.
using QueryValueW = LONG(WINAPI*)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);

QueryValueW WideQuery() {
    static const QueryValueW function = []() -> QueryValueW {
        HMODULE advapi = GetModuleHandleA("advapi32.dll");
        if (IsWindows9x() || GetACP() == CP_UTF8 || !advapi) return nullptr;
        return reinterpret_cast<QueryValueW>(
            reinterpret_cast<void*>(GetProcAddress(advapi, "RegQueryValueExW")));
    }();
    return function;
}

bool IsString(DWORD type) {
    return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

// Whether the stored text of a string value is one the code page cannot hold.
bool LostCharacters(HKEY key, const char* valueName) {
    const QueryValueW query = WideQuery();
    if (!query) return false;
    const std::u16string name = valueName ? codepage::Decode(valueName) : std::u16string();
    const auto* wideName = valueName ? reinterpret_cast<LPCWSTR>(name.c_str()) : nullptr;
    std::vector<BYTE> stored(256);
    DWORD type = 0;
    for (;;) {
        DWORD size = static_cast<DWORD>(stored.size());
        const LONG status = query(key, wideName, nullptr, &type, stored.data(), &size);
        if (status == ERROR_MORE_DATA) {
            stored.resize(size);
            continue;
        }
        if (status != ERROR_SUCCESS || !IsString(type)) return false;
        std::u16string text(size / 2, u'\0');
        std::copy_n(stored.data(), text.size() * 2, reinterpret_cast<BYTE*>(text.data()));
        return !codepage::CanEncode(text);
    }
}

// KEY_WOW64_64KEY, which the headers for Windows 98 do not define.
constexpr Regsam kKeyWow64_64Key = 0x0100;

// Under WoW64 a 32-bit process sees the 32-bit view of HKLM\Software (Wow6432Node) unless
// it asks for the 64-bit one, where Windows and its 64-bit programs keep their values.
// IsWow64Process is looked up at run time: Windows 98, NT 4 and 2000 lack it, and their
// registries have one view only, which the flag must not be passed to.
Regsam NativeView(Regsam access) {
    static const Regsam extra = [] {
        using IsWow64 = BOOL(WINAPI*)(HANDLE, PBOOL);
        HMODULE kernel = GetModuleHandleA("kernel32.dll");
        const auto isWow64 = kernel ? reinterpret_cast<IsWow64>(reinterpret_cast<void*>(
                                          GetProcAddress(kernel, "IsWow64Process")))
                                    : nullptr;
        BOOL wow64 = FALSE;
        return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64 ? kKeyWow64_64Key
                                                                        : Regsam{0};
    }();
    return access | extra;
}

}  // namespace

Long Win32Registry::RegOpenKeyExA(Hkey key, const char* subKey, Dword options, Regsam access,
                                  Hkey* result) {
    return ::RegOpenKeyExA(Native(key), subKey, options, NativeView(access), Native(result));
}

Long Win32Registry::RegCreateKeyExA(Hkey key, const char* subKey, Dword reserved, char* className,
                                    Dword options, Regsam access, const void* securityAttributes,
                                    Hkey* result, Dword* disposition) {
    return ::RegCreateKeyExA(Native(key), subKey, reserved, className, options, NativeView(access),
                             Security(securityAttributes), Native(result), Words(disposition));
}

Long Win32Registry::RegQueryValueExA(Hkey key, const char* valueName, Dword* reserved, Dword* type,
                                     std::uint8_t* data, Dword* size) {
    DWORD storedType = type ? *type : 0;
    const LONG status =
        ::RegQueryValueExA(Native(key), valueName, Words(reserved), &storedType, data, Words(size));
    if (type) *type = storedType;
    if (status == ERROR_SUCCESS && data && IsString(storedType) &&
        LostCharacters(Native(key), valueName)) {
        ++lossyReads_;
    }
    return status;
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

RegistryFamily Win32Registry::Family() const {
    return IsWindows9x() ? RegistryFamily::Windows9x : RegistryFamily::WindowsNt;
}

}  // namespace platform::win32
