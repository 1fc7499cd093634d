#include "tools/regtool/reg_value.h"

#include <array>
#include <cstdio>

namespace regtool {
namespace {

struct TypeEntry {
    platform::Dword type;
    const char* name;
};

constexpr std::array<TypeEntry, 7> kTypes{{
    {platform::kRegNone, "REG_NONE"},
    {platform::kRegSz, "REG_SZ"},
    {platform::kRegExpandSz, "REG_EXPAND_SZ"},
    {platform::kRegBinary, "REG_BINARY"},
    {platform::kRegDword, "REG_DWORD"},
    {platform::kRegMultiSz, "REG_MULTI_SZ"},
    {kRegQword, "REG_QWORD"},
}};

std::u16string Ascii(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

std::string TypeName(platform::Dword type) {
    for (const auto& entry : kTypes) {
        if (entry.type == type) return entry.name;
    }
    return "REG_UNKNOWN(" + std::to_string(type) + ")";
}

std::optional<platform::Dword> TypeFromName(std::string_view name) {
    for (const auto& entry : kTypes) {
        const std::string_view known(entry.name);
        if (known.size() != name.size()) continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i) {
            same = std::toupper(static_cast<unsigned char>(name[i])) == known[i];
        }
        if (same) return entry.type;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> StringData(std::u16string_view text) {
    std::vector<std::uint8_t> data;
    data.reserve((text.size() + 1) * 2);
    for (const char16_t c : text) {
        data.push_back(static_cast<std::uint8_t>(c & 0xFF));
        data.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    data.push_back(0);
    data.push_back(0);
    return data;
}

std::u16string TextOf(const std::vector<std::uint8_t>& data) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
        text.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    }
    if (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
}

std::vector<std::uint8_t> DwordData(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::u16string QueryText(const RegValue& value) {
    switch (value.type) {
        case platform::kRegSz:
        case platform::kRegExpandSz:
            return TextOf(value.data);
        case platform::kRegMultiSz: {
            std::u16string text = TextOf(value.data);
            while (!text.empty() && text.back() == u'\0') text.pop_back();
            std::u16string shown;
            for (const char16_t c : text) {
                if (c == u'\0') {
                    shown += u"\\0";
                } else {
                    shown.push_back(c);
                }
            }
            return shown;
        }
        case platform::kRegDword:
        case kRegQword:
            if (value.data.size() == 4 || value.data.size() == 8) {
                std::uint64_t number = 0;
                for (std::size_t i = value.data.size(); i-- > 0;) number = number << 8 | value.data[i];
                char buffer[24];
                std::snprintf(buffer, sizeof buffer, "0x%llx",
                              static_cast<unsigned long long>(number));
                return Ascii(buffer);
            }
            break;
        default:
            break;
    }
    std::u16string hex;
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    for (const std::uint8_t b : value.data) {
        hex.push_back(kDigits[b >> 4]);
        hex.push_back(kDigits[b & 15]);
    }
    return hex;
}

}  // namespace regtool
