#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/wide_registry_api.h"

namespace platform {
namespace {

// A converted name that keeps a null pointer null.
class WideName {
public:
    explicit WideName(const char* name) {
        if (name) text_ = codepage::Decode(name);
    }
    const char16_t* get() const { return text_ ? text_->c_str() : nullptr; }

private:
    std::optional<std::u16string> text_;
};

std::u16string UnitsOf(const std::vector<std::uint8_t>& bytes, std::size_t size) {
    std::u16string units(size / 2, u'\0');
    std::memcpy(units.data(), bytes.data(), units.size() * 2);
    return units;
}

}  // namespace

Long AnsiOverWideRegistry::RegOpenKeyExA(Hkey key, const char* subKey, Dword options,
                                         Regsam access, Hkey* result) {
    return RegOpenKeyExW(key, WideName(subKey).get(), options, access, result);
}

Long AnsiOverWideRegistry::RegCreateKeyExA(Hkey key, const char* subKey, Dword reserved,
                                           char* /*className*/, Dword options, Regsam access,
                                           const void* securityAttributes, Hkey* result,
                                           Dword* disposition) {
    return RegCreateKeyExW(key, WideName(subKey).get(), reserved, nullptr, options, access,
                           securityAttributes, result, disposition);
}

// String data is kept in UTF-16, so its 8-bit size is known only after conversion: the
// whole value is read first, then converted, then measured against the caller's buffer.
Long AnsiOverWideRegistry::RegQueryValueExA(Hkey key, const char* valueName, Dword* reserved,
                                            Dword* type, std::uint8_t* data, Dword* size) {
    if (data && !size) return kErrorInvalidParameter;
    const WideName name(valueName);
    // Most values fit a small buffer, which saves asking for the size first. A value that
    // does not, or that grows between two reads, is asked for again until it fits.
    Dword storedType = 0;
    std::vector<std::uint8_t> stored(256);
    Long status;
    for (;;) {
        Dword got = static_cast<Dword>(stored.size());
        status = RegQueryValueExW(key, name.get(), reserved, &storedType, stored.data(), &got);
        if (status == kErrorMoreData) {
            stored.resize(got);
            continue;
        }
        if (status == kErrorSuccess) stored.resize(got);
        break;
    }
    if (status != kErrorSuccess) {
        if (status == kErrorFileNotFound && !data) {
            if (type) *type = 0;
            if (size) *size = 0;
        }
        return status;
    }

    std::string bytes;
    bool lossy = false;
    if (IsStringType(storedType)) {
        const std::u16string text = UnitsOf(stored, stored.size());
        bytes = codepage::Encode(text);
        lossy = codepage::Decode(bytes) != text;
    } else {
        bytes.assign(stored.begin(), stored.end());
    }
    if (type) *type = storedType;
    if (!data) {
        if (size) *size = static_cast<Dword>(bytes.size());
        return kErrorSuccess;
    }
    if (*size < bytes.size()) {
        *size = static_cast<Dword>(bytes.size());
        return kErrorMoreData;
    }
    std::memcpy(data, bytes.data(), bytes.size());
    if (lossy) ++lossyReads_;
    // A string stored without its NUL still reads as a terminated string when there is room.
    if (IsStringType(storedType) && *size > bytes.size() && (bytes.empty() || bytes.back() != 0)) {
        data[bytes.size()] = 0;
    }
    *size = static_cast<Dword>(bytes.size());
    return kErrorSuccess;
}

Long AnsiOverWideRegistry::RegSetValueExA(Hkey key, const char* valueName, Dword reserved,
                                          Dword type, const std::uint8_t* data, Dword size) {
    const WideName name(valueName);
    if (!IsStringType(type) || !data) {
        return RegSetValueExW(key, name.get(), reserved, type, data, size);
    }
    const std::u16string text =
        codepage::Decode(std::string_view(reinterpret_cast<const char*>(data), size));
    return RegSetValueExW(key, name.get(), reserved, type,
                          reinterpret_cast<const std::uint8_t*>(text.data()),
                          static_cast<Dword>(text.size() * 2));
}

Long AnsiOverWideRegistry::RegDeleteKeyA(Hkey key, const char* subKey) {
    return RegDeleteKeyW(key, WideName(subKey).get());
}

Long AnsiOverWideRegistry::RegDeleteValueA(Hkey key, const char* valueName) {
    return RegDeleteValueW(key, WideName(valueName).get());
}

}  // namespace platform
