#include "platform/win32/win9x_registry.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/win32/win32_marshal.h"

namespace platform::win32 {
namespace {

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

// Value data as the Unicode functions give it: 8-bit strings become UTF-16.
std::vector<std::uint8_t> WideData(Dword type, std::vector<std::uint8_t> data) {
    if (!IsStringType(type)) return data;
    const std::u16string text =
        codepage::Decode(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    return {bytes, bytes + text.size() * sizeof(char16_t)};
}

// Reads data whole: asks for its size, then reads, and asks again while it grew between
// the two. `read` takes a buffer and its size, as the 8-bit functions do.
template <typename Read>
Long ReadWhole(std::vector<std::uint8_t>& bytes, Read&& read) {
    DWORD length = 0;
    Long status = read(nullptr, &length);
    if (status != kErrorSuccess) return status;
    do {
        // Never a null buffer, which would ask for the size only.
        bytes.resize(std::max<DWORD>(length, 1));
        length = static_cast<DWORD>(bytes.size());
        status = read(bytes.data(), &length);
    } while (status == kErrorMoreData);
    if (status == kErrorSuccess) bytes.resize(length);
    return status;
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

}  // namespace

Long Win9xRegistry::RegOpenKeyExW(Hkey key, const char16_t* subKey, Dword options, Regsam access,
                                  Hkey* result) {
    const Narrow name(subKey);
    if (result) *result = kNullKey;
    if (!name.fits) return kErrorFileNotFound;  // no such key can be there
    if (name.null) return ::RegOpenKeyExA(Native(key), nullptr, options, access, Native(result));
    Reached parent;
    if (const Long status = Reach(Native(key), name.text, false, access, parent)) return status;
    return ::RegOpenKeyExA(parent.key, parent.rest.c_str(), options, access, Native(result));
}

Long Win9xRegistry::RegCreateKeyExW(Hkey key, const char16_t* subKey, Dword reserved,
                                    char16_t* /*className*/, Dword options, Regsam access,
                                    const void* securityAttributes, Hkey* result,
                                    Dword* disposition) {
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
                             nullptr, options, access, Security(securityAttributes), Native(result),
                             Words(disposition));
}

Long Win9xRegistry::RegQueryValueExW(Hkey key, const char16_t* valueName, Dword* /*reserved*/,
                                     Dword* type, std::uint8_t* data, Dword* size) {
    const Narrow name(valueName);
    if (!name.fits) return kErrorFileNotFound;
    DWORD found = 0;
    std::vector<std::uint8_t> bytes;
    const Long status = ReadWhole(bytes, [&](BYTE* buffer, DWORD* length) {
        return ::RegQueryValueExA(Native(key), name.get(), nullptr, &found, buffer, length);
    });
    if (status != kErrorSuccess) return status;
    if (type) *type = found;
    return CopyData(WideData(found, std::move(bytes)), data, size);
}

Long Win9xRegistry::RegSetValueExW(Hkey key, const char16_t* valueName, Dword reserved, Dword type,
                                   const std::uint8_t* data, Dword size) {
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

Long Win9xRegistry::RegDeleteKeyW(Hkey key, const char16_t* subKey) {
    const Narrow name(subKey);
    if (!name.fits) return kErrorFileNotFound;
    if (name.null) return ::RegDeleteKeyA(Native(key), nullptr);
    Reached parent;
    if (const Long status = Reach(Native(key), name.text, false, KEY_ALL_ACCESS, parent)) {
        return status;
    }
    return ::RegDeleteKeyA(parent.key, parent.rest.c_str());
}

Long Win9xRegistry::RegDeleteValueW(Hkey key, const char16_t* valueName) {
    const Narrow name(valueName);
    if (!name.fits) return kErrorFileNotFound;
    return ::RegDeleteValueA(Native(key), name.get());
}

Long Win9xRegistry::RegEnumKeyExW(Hkey key, Dword index, char16_t* name, Dword* nameLength,
                                  Dword* /*reserved*/, char16_t* /*className*/, Dword* classLength,
                                  void* lastWriteTime) {
    char buffer[1024] = {};
    DWORD length = sizeof buffer;
    const Long status = ::RegEnumKeyExA(Native(key), index, buffer, &length, nullptr, nullptr,
                                        nullptr, static_cast<PFILETIME>(lastWriteTime));
    if (status != kErrorSuccess) return status;
    if (classLength) *classLength = 0;
    return CopyName(codepage::Decode(std::string_view(buffer, length)), name, nameLength);
}

Long Win9xRegistry::RegEnumValueW(Hkey key, Dword index, char16_t* name, Dword* nameLength,
                                  Dword* /*reserved*/, Dword* type, std::uint8_t* data,
                                  Dword* dataSize) {
    std::string buffer(16384, '\0');
    DWORD length = 0, found = 0;
    std::vector<std::uint8_t> content;
    const Long status = ReadWhole(content, [&](BYTE* bytes, DWORD* size) {
        length = static_cast<DWORD>(buffer.size());
        return ::RegEnumValueA(Native(key), index, buffer.data(), &length, nullptr, &found, bytes,
                               size);
    });
    if (status != kErrorSuccess) return status;
    if (type) *type = found;
    const Long named =
        CopyName(codepage::Decode(std::string_view(buffer.data(), length)), name, nameLength);
    if (named != kErrorSuccess) return named;
    return CopyData(WideData(found, std::move(content)), data, dataSize);
}

Long Win9xRegistry::RegQueryInfoKeyW(Hkey key, char16_t* className, Dword* classLength,
                                     Dword* /*reserved*/, Dword* subKeys, Dword* maxSubKeyLength,
                                     Dword* maxClassLength, Dword* values,
                                     Dword* maxValueNameLength, Dword* maxValueSize,
                                     Dword* securityDescriptorSize, void* lastWriteTime) {
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

}  // namespace platform::win32
