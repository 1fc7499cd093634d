// Writing .reg files as an export does.
#include <bit>
#include <cstring>

#include "platform/codepage.h"
#include "tools/regtool/reg_file.h"

namespace regtool {
namespace {

constexpr std::size_t kLineWidth = 80;

std::u16string Quoted(std::u16string_view text) {
    std::u16string out = u"\"";
    for (const char16_t c : text) {
        if (c == u'\\' || c == u'"') out.push_back(u'\\');
        out.push_back(c);
    }
    return out + u"\"";
}

// A string value is written as text only when it reads back the same: one final NUL,
// none inside, and no line break that would split the line.
bool WritableAsText(const RegValue& value) {
    if (value.type != platform::kRegSz || value.data.size() < 2 || value.data.size() % 2) {
        return false;
    }
    const std::u16string text = TextOf(value.data);
    if (value.data[value.data.size() - 1] != 0 || value.data[value.data.size() - 2] != 0) {
        return false;
    }
    return text.find_first_of(std::u16string_view(u"\0\r\n", 3)) == std::u16string::npos;
}

constexpr char16_t kDigits[] = u"0123456789abcdef";

std::u16string Hex(unsigned value, int digits) {
    std::u16string out(static_cast<std::size_t>(digits), u'0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4) out[static_cast<std::size_t>(i)] = kDigits[value & 15];
    return out;
}

std::u16string TypeHex(platform::Dword type) {
    std::u16string out;
    do {
        out.insert(out.begin(), u"0123456789abcdef"[type & 15]);
        type >>= 4;
    } while (type);
    return out;
}

std::u16string ValueLine(const RegValue& value, int version) {
    std::u16string line = value.name.empty() ? u"@=" : Quoted(value.name) + u"=";
    if (WritableAsText(value)) return line + Quoted(TextOf(value.data));
    if (value.type == platform::kRegDword && value.data.size() == 4) {
        const unsigned number = value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                static_cast<unsigned>(value.data[3]) << 24;
        return line + u"dword:" + Hex(number, 8);
    }
    std::vector<std::uint8_t> bytes = value.data;
    const bool text = platform::IsStringType(value.type);
    if (version == 4 && text) {
        std::u16string wide;
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            wide.push_back(static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8));
        }
        const std::string narrow = platform::codepage::Encode(wide);
        bytes.assign(narrow.begin(), narrow.end());
    }
    line += value.type == platform::kRegBinary ? u"hex:" : u"hex(" + TypeHex(value.type) + u"):";
    line.reserve(line.size() + bytes.size() * 3 + bytes.size() / 24 * 5);
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        line.push_back(kDigits[bytes[i] >> 4]);
        line.push_back(kDigits[bytes[i] & 15]);
        if (i + 1 == bytes.size()) break;
        line += u",";
        // Long data goes on continued lines, as the export of Windows writes it.
        if (line.size() - lineStart > kLineWidth - 4) {
            line += u"\\\r\n  ";
            lineStart = line.size() - 2;
        }
    }
    return line;
}

std::string Encoded(const std::u16string& text, int version) {
    if (version == 4) return platform::codepage::Encode(text);
    std::string bytes(text.size() * 2, '\0');
    // UTF-16LE is the string's own memory on a little-endian machine.
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(bytes.data(), text.data(), bytes.size());
        return bytes;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
    }
    return bytes;
}

}  // namespace

std::string RegFileHeaderText(int version) {
    if (version == 4) return Encoded(u"REGEDIT4\r\n\r\n", 4);
    return "\xFF\xFE" + Encoded(u"Windows Registry Editor Version 5.00\r\n\r\n", 5);
}

std::string RegFileKeyText(const ExportedKey& key, int version) {
    std::u16string text = u"[" + key.name + u"]\r\n";
    for (const auto& value : key.values) text += ValueLine(value, version) + u"\r\n";
    text += u"\r\n";
    return Encoded(text, version);
}

std::string WriteRegFile(const std::vector<ExportedKey>& keys, int version) {
    std::string bytes = RegFileHeaderText(version);
    for (const auto& key : keys) bytes += RegFileKeyText(key, version);
    return bytes;
}

}  // namespace regtool
