#include "tools/regtool/reg_value.h"

#include <algorithm>
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

std::string TypeNames() {
    // In the order people reach for them.
    return "REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY and REG_NONE";
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

std::vector<std::uint8_t> QwordData(std::uint64_t value) {
    std::vector<std::uint8_t> data(8);
    for (std::size_t i = 0; i < 8; ++i) data[i] = static_cast<std::uint8_t>(value >> (8 * i));
    return data;
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
                for (std::size_t i = value.data.size(); i-- > 0;)
                    number = number << 8 | value.data[i];
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

std::optional<std::vector<std::uint8_t>> DataFromText(platform::Dword type,
                                                      const std::u16string& text,
                                                      std::u16string_view separator) {
    switch (type) {
        case platform::kRegSz:
        case platform::kRegExpandSz:
            return StringData(text);
        case platform::kRegMultiSz: {
            if (text.empty()) return StringData(u"");
            std::u16string joined;
            std::size_t start = 0;
            while (start < text.size()) {
                const std::size_t at = std::min(text.find(separator, start), text.size());
                // The registry ends the list at an empty string: one cannot stand inside it.
                if (at == start) return std::nullopt;
                joined += text.substr(start, at - start);
                joined.push_back(u'\0');
                start = at + separator.size();
            }
            return StringData(joined);
        }
        case platform::kRegDword:
        case kRegQword: {
            const bool hex =
                text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X');
            const std::u16string digits = hex ? text.substr(2) : text;
            const std::uint64_t limit = type == kRegQword ? ~std::uint64_t{0} : 0xFFFFFFFFu;
            const std::uint64_t base = hex ? 16 : 10;
            if (digits.empty()) return std::nullopt;
            std::uint64_t number = 0;
            for (const char16_t c : digits) {
                int digit = -1;
                if (c >= u'0' && c <= u'9') digit = c - u'0';
                if (hex && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
                if (hex && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
                if (digit < 0) return std::nullopt;
                const auto d = static_cast<std::uint64_t>(digit);
                if (number > (limit - d) / base) return std::nullopt;
                number = number * base + d;
            }
            if (type == kRegQword) return QwordData(number);
            return DwordData(static_cast<std::uint32_t>(number));
        }
        default: {
            if (text.size() % 2) return std::nullopt;
            std::vector<std::uint8_t> bytes;
            for (std::size_t i = 0; i < text.size(); i += 2) {
                auto digit = [](char16_t c) {
                    if (c >= u'0' && c <= u'9') return c - u'0';
                    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
                    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
                    return -1;
                };
                const int high = digit(text[i]), low = digit(text[i + 1]);
                if (high < 0 || low < 0) return std::nullopt;
                bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
            }
            return bytes;
        }
    }
}

}  // namespace regtool
