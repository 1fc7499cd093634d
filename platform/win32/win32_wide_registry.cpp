#include "platform/win32/win32_wide_registry.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace platform::win32 {
namespace {

HKEY Native(Hkey key) { return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(key)); }
PHKEY Native(Hkey* key) { return reinterpret_cast<PHKEY>(key); }
LPCWSTR Wide(const char16_t* text) { return reinterpret_cast<LPCWSTR>(text); }
LPWSTR Wide(char16_t* text) { return reinterpret_cast<LPWSTR>(text); }
LPDWORD Words(Dword* value) { return reinterpret_cast<LPDWORD>(value); }
auto Security(const void* attributes) {
    return static_cast<LPSECURITY_ATTRIBUTES>(const_cast<void*>(attributes));
}

// A name in the code page; `fits` is false when the code page cannot hold it. A null
// name stays null.
struct Narrow {
    explicit Narrow(const char16_t* name) : null(name == nullptr) {
        if (!name) return;
        auto exact = codepage::EncodeExactly(name);
        fits = exact.has_value();
        if (exact) text = std::move(*exact);
    }
    const char* get() const { return null ? nullptr : text.c_str(); }
    bool null = false;
    bool fits = true;
    std::string text;
};

// Copies text with its NUL into a caller's buffer of *length characters; *length is then
// the text's length without the NUL, or, when it does not fit, ERROR_MORE_DATA.
Long CopyName(const std::u16string& text, char16_t* buffer, Dword* length) {
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

// Value data as the Unicode functions give it: 8-bit strings become UTF-16.
std::vector<std::uint8_t> WideData(Dword type, std::vector<std::uint8_t> data) {
    if (!IsStringType(type)) return data;
    const std::u16string text =
        codepage::Decode(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    return {bytes, bytes + text.size() * sizeof(char16_t)};
}

// Copies data into a caller's buffer of *size bytes, as the registry functions do: a null
// buffer asks for the size, a short one gets ERROR_MORE_DATA.
Long CopyData(const std::vector<std::uint8_t>& data, std::uint8_t* buffer, Dword* size) {
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

// The 8-bit functions of Windows 9x (and Wine's) take a key path of a limited length; a
// longer one is walked to its last parts first, through keys held until the call is done.
constexpr std::size_t kLongestPath = 255;

struct Reached {
    HKEY key = nullptr;
    bool owned = false;
    std::string rest;
    Reached() = default;
    Reached(const Reached&) = delete;
    Reached& operator=(const Reached&) = delete;
    ~Reached() {
        if (owned) ::RegCloseKey(key);
    }
};

Long Reach(HKEY from, const std::string& path, bool create, REGSAM access, Reached& out) {
    out.key = from;
    out.rest = path;
    while (out.rest.size() > kLongestPath) {
        const std::size_t cut = out.rest.rfind('\\', kLongestPath);
        if (cut == std::string::npos || cut == 0) break;  // one long name: the call answers
        const std::string head = out.rest.substr(0, cut);
        HKEY next = nullptr;
        const Long status = create ? ::RegCreateKeyExA(out.key, head.c_str(), 0, nullptr, 0, access,
                                                       nullptr, &next, nullptr)
                                   : ::RegOpenKeyExA(out.key, head.c_str(), 0, access, &next);
        if (status != kErrorSuccess) return status;
        if (out.owned) ::RegCloseKey(out.key);
        out.key = next;
        out.owned = true;
        out.rest = out.rest.substr(cut + 1);
    }
    return kErrorSuccess;
}

static_assert(sizeof(Hkey) == sizeof(HKEY));
static_assert(sizeof(Dword) == sizeof(DWORD));

}  // namespace

Win32WideRegistry::Win32WideRegistry() : eightBit_(IsWindows9x()) {}

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

Long Win32WideRegistry::RegOpenKeyExW(Hkey key, const char16_t* subKey, Dword options,
                                      Regsam access, Hkey* result) {
    if (eightBit_) {
        const Narrow name(subKey);
        if (result) *result = kNullKey;
        if (!name.fits) return kErrorFileNotFound;  // no such key can be there
        if (name.null)
            return ::RegOpenKeyExA(Native(key), nullptr, options, access, Native(result));
        Reached parent;
        if (const Long status = Reach(Native(key), name.text, false, access, parent)) return status;
        return ::RegOpenKeyExA(parent.key, parent.rest.c_str(), options, access, Native(result));
    }
    return ::RegOpenKeyExW(Native(key), Wide(subKey), options, access, Native(result));
}

Long Win32WideRegistry::RegCreateKeyExW(Hkey key, const char16_t* subKey, Dword reserved,
                                        char16_t* className, Dword options, Regsam access,
                                        const void* securityAttributes, Hkey* result,
                                        Dword* disposition) {
    if (eightBit_) {
        const Narrow name(subKey);
        if (result) *result = kNullKey;
        if (!name.fits) return kErrorNoUnicodeTranslation;
        // Windows allows a key name of 255 characters; a longer one that Wine's 8-bit
        // functions would make could not be listed again.
        for (std::size_t start = 0; start <= name.text.size();) {
            const std::size_t end = std::min(name.text.find('\\', start), name.text.size());
            if (end - start > kLongestPath) return kErrorInvalidParameter;
            start = end + 1;
        }
        Reached parent;
        if (const Long status = Reach(Native(key), name.text, true, access, parent)) return status;
        return ::RegCreateKeyExA(parent.key, name.null ? nullptr : parent.rest.c_str(), reserved,
                                 nullptr, options, access, Security(securityAttributes),
                                 Native(result), Words(disposition));
    }
    return ::RegCreateKeyExW(Native(key), Wide(subKey), reserved, Wide(className), options, access,
                             Security(securityAttributes), Native(result), Words(disposition));
}

Long Win32WideRegistry::RegQueryValueExW(Hkey key, const char16_t* valueName, Dword* reserved,
                                         Dword* type, std::uint8_t* data, Dword* size) {
    if (eightBit_) {
        const Narrow name(valueName);
        if (!name.fits) return kErrorFileNotFound;
        DWORD found = 0, length = 0;
        Long status =
            ::RegQueryValueExA(Native(key), name.get(), nullptr, &found, nullptr, &length);
        if (status != kErrorSuccess) return status;
        std::vector<std::uint8_t> bytes(length);
        status =
            ::RegQueryValueExA(Native(key), name.get(), nullptr, &found, bytes.data(), &length);
        if (status != kErrorSuccess) return status;
        bytes.resize(length);
        if (type) *type = found;
        return CopyData(WideData(found, std::move(bytes)), data, size);
    }
    return ::RegQueryValueExW(Native(key), Wide(valueName), Words(reserved), Words(type), data,
                              Words(size));
}

Long Win32WideRegistry::RegSetValueExW(Hkey key, const char16_t* valueName, Dword reserved,
                                       Dword type, const std::uint8_t* data, Dword size) {
    if (eightBit_) {
        const Narrow name(valueName);
        if (!name.fits) return kErrorNoUnicodeTranslation;
        if (!IsStringType(type))
            return ::RegSetValueExA(Native(key), name.get(), reserved, type, data, size);
        std::u16string text(size / sizeof(char16_t), u'\0');
        if (data)
            std::copy(data, data + text.size() * sizeof(char16_t),
                      reinterpret_cast<std::uint8_t*>(text.data()));
        const auto narrow = codepage::EncodeExactly(text);
        if (!narrow) return kErrorNoUnicodeTranslation;
        return ::RegSetValueExA(Native(key), name.get(), reserved, type,
                                reinterpret_cast<const BYTE*>(narrow->data()),
                                static_cast<DWORD>(narrow->size()));
    }
    return ::RegSetValueExW(Native(key), Wide(valueName), reserved, type, data, size);
}

Long Win32WideRegistry::RegDeleteKeyW(Hkey key, const char16_t* subKey) {
    if (eightBit_) {
        const Narrow name(subKey);
        if (!name.fits) return kErrorFileNotFound;
        if (name.null) return ::RegDeleteKeyA(Native(key), nullptr);
        Reached parent;
        if (const Long status = Reach(Native(key), name.text, false, KEY_ALL_ACCESS, parent)) {
            return status;
        }
        return ::RegDeleteKeyA(parent.key, parent.rest.c_str());
    }
    return ::RegDeleteKeyW(Native(key), Wide(subKey));
}

Long Win32WideRegistry::RegDeleteValueW(Hkey key, const char16_t* valueName) {
    if (eightBit_) {
        const Narrow name(valueName);
        if (!name.fits) return kErrorFileNotFound;
        return ::RegDeleteValueA(Native(key), name.get());
    }
    return ::RegDeleteValueW(Native(key), Wide(valueName));
}

Long Win32WideRegistry::RegEnumKeyExW(Hkey key, Dword index, char16_t* name, Dword* nameLength,
                                      Dword* reserved, char16_t* className, Dword* classLength,
                                      void* lastWriteTime) {
    if (eightBit_) {
        char buffer[1024] = {};
        DWORD length = sizeof buffer;
        const Long status = ::RegEnumKeyExA(Native(key), index, buffer, &length, nullptr, nullptr,
                                            nullptr, static_cast<PFILETIME>(lastWriteTime));
        if (status != kErrorSuccess) return status;
        if (classLength) *classLength = 0;
        return CopyName(codepage::Decode(std::string_view(buffer, length)), name, nameLength);
    }
    return ::RegEnumKeyExW(Native(key), index, Wide(name), Words(nameLength), Words(reserved),
                           Wide(className), Words(classLength),
                           static_cast<PFILETIME>(lastWriteTime));
}

Long Win32WideRegistry::RegEnumValueW(Hkey key, Dword index, char16_t* name, Dword* nameLength,
                                      Dword* reserved, Dword* type, std::uint8_t* data,
                                      Dword* dataSize) {
    if (eightBit_) {
        std::string buffer(16384, '\0');
        DWORD length = static_cast<DWORD>(buffer.size());
        DWORD found = 0, bytes = 0;
        Long status = ::RegEnumValueA(Native(key), index, buffer.data(), &length, nullptr, &found,
                                      nullptr, &bytes);
        if (status != kErrorSuccess) return status;
        std::vector<std::uint8_t> content(bytes);
        length = static_cast<DWORD>(buffer.size());
        status = ::RegEnumValueA(Native(key), index, buffer.data(), &length, nullptr, &found,
                                 content.data(), &bytes);
        if (status != kErrorSuccess) return status;
        content.resize(bytes);
        if (type) *type = found;
        const Long named =
            CopyName(codepage::Decode(std::string_view(buffer.data(), length)), name, nameLength);
        if (named != kErrorSuccess) return named;
        return CopyData(WideData(found, std::move(content)), data, dataSize);
    }
    return ::RegEnumValueW(Native(key), index, Wide(name), Words(nameLength), Words(reserved),
                           Words(type), data, Words(dataSize));
}

Long Win32WideRegistry::RegQueryInfoKeyW(Hkey key, char16_t* className, Dword* classLength,
                                         Dword* reserved, Dword* subKeys, Dword* maxSubKeyLength,
                                         Dword* maxClassLength, Dword* values,
                                         Dword* maxValueNameLength, Dword* maxValueSize,
                                         Dword* securityDescriptorSize, void* lastWriteTime) {
    if (eightBit_) {
        if (classLength) *classLength = 0;
        if (className) *className = u'\0';
        DWORD count = 0;
        const Long status = ::RegQueryInfoKeyA(
            Native(key), nullptr, nullptr, nullptr, Words(subKeys), Words(maxSubKeyLength),
            Words(maxClassLength), &count, Words(maxValueNameLength), Words(maxValueSize),
            Words(securityDescriptorSize), static_cast<PFILETIME>(lastWriteTime));
        if (status != kErrorSuccess) return status;
        if (values) *values = count;
        // The longest subkey name as this function counts it, found by listing them: the
        // 8-bit function's count is of bytes.
        if (maxSubKeyLength) {
            *maxSubKeyLength = 0;
            for (Dword index = 0;; ++index) {
                char16_t name[1024];
                Dword length = 1024;
                if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                    kErrorSuccess) {
                    break;
                }
                *maxSubKeyLength = std::max(*maxSubKeyLength, length);
            }
        }
        if (!maxValueSize) return kErrorSuccess;
        // Strings grow as UTF-16: the largest value is found by reading them all.
        *maxValueSize = 0;
        for (DWORD index = 0; index < count; ++index) {
            Dword type = 0, size = 0;
            char16_t name[16384];
            Dword length = 16384;
            if (RegEnumValueW(key, index, name, &length, nullptr, &type, nullptr, &size) ==
                kErrorSuccess) {
                *maxValueSize = std::max(*maxValueSize, size);
            }
        }
        return kErrorSuccess;
    }
    return ::RegQueryInfoKeyW(Native(key), Wide(className), Words(classLength), Words(reserved),
                              Words(subKeys), Words(maxSubKeyLength), Words(maxClassLength),
                              Words(values), Words(maxValueNameLength), Words(maxValueSize),
                              Words(securityDescriptorSize), static_cast<PFILETIME>(lastWriteTime));
}

}  // namespace platform::win32
