#include "platform/wine/wine_text.h"

#include <algorithm>
#include <cstdio>

#include "platform/posix/utf8.h"

namespace wine {
namespace {

constexpr platform::Dword kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4,
                          kRegMultiSz = 7;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsOctal(char c) { return c >= '0' && c <= '7'; }

void SkipSpaces(std::string_view line, std::size_t& pos) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
}

bool OnlySpacesLeft(std::string_view line, std::size_t pos) {
    SkipSpaces(line, pos);
    return pos == line.size();
}

// The length of the UTF-8 sequence a lead byte starts; 0 for a byte that starts none.
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

char16_t Escaped(char c) {
    switch (c) {
        case 'a': return 7;
        case 'b': return 8;
        case 'e': return 0x1B;
        case 'f': return 0x0C;
        case 'n': return 0x0A;
        case 'r': return 0x0D;
        case 't': return 9;
        case 'v': return 0x0B;
        default: return static_cast<unsigned char>(c);
    }
}

std::vector<std::uint8_t> StringBytes(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (const char16_t c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

// Checks the bytes, and keeps them in bytes unless it is null.
bool ParseHexList(std::string_view line, std::size_t pos, std::vector<std::uint8_t>* bytes,
                  std::string& fault) {
    // Three characters a byte, "xx,".
    if (bytes) bytes->reserve((line.size() - std::min(pos, line.size())) / 3 + 1);
    SkipSpaces(line, pos);
    while (pos < line.size()) {
        const int high = HexDigit(line[pos]);
        if (high < 0) {
            fault = "a byte of hex data is not hexadecimal";
            return false;
        }
        int byte = high;
        ++pos;
        if (pos < line.size() && HexDigit(line[pos]) >= 0) byte = byte * 16 + HexDigit(line[pos++]);
        if (bytes) bytes->push_back(static_cast<std::uint8_t>(byte));
        SkipSpaces(line, pos);
        if (pos == line.size()) break;
        if (line[pos] != ',') {
            fault = "the bytes of hex data are not separated by commas";
            return false;
        }
        ++pos;
        SkipSpaces(line, pos);
    }
    return true;
}

bool StartsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

}  // namespace

// Decoded into a scratch buffer as long as the rest of the line, which no text outgrows (an
// escape or a UTF-8 sequence is never shorter than the units it gives), so that reading a
// file allocates nothing per name or string.
std::optional<std::u16string_view> DecodeEscaped(std::string_view line, std::size_t& pos, char end,
                                                 std::string& fault) {
    thread_local std::u16string text;
    if (text.size() < line.size()) text.resize(line.size());
    std::size_t out = 0;
    while (pos < line.size()) {
        const char c = line[pos];
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80 && c != '\\' && c != end) {
            text[out++] = byte;
            ++pos;
            continue;
        }
        if (c == end) {
            ++pos;
            return std::u16string_view(text.data(), out);
        }
        if (c == '\\') {
            if (++pos == line.size()) break;
            const char e = line[pos];
            if (e == 'x') {
                ++pos;
                unsigned value = 0;
                std::size_t digits = 0;
                while (digits < 4 && pos < line.size() && HexDigit(line[pos]) >= 0) {
                    value = value * 16 + static_cast<unsigned>(HexDigit(line[pos++]));
                    ++digits;
                }
                if (digits == 0) {
                    fault = "\\x is not followed by a hexadecimal digit";
                    return std::nullopt;
                }
                text[out++] = static_cast<char16_t>(value);
            } else if (IsOctal(e)) {
                unsigned value = 0;
                for (std::size_t digits = 0; digits < 3 && pos < line.size() && IsOctal(line[pos]);
                     ++digits) {
                    value = value * 8 + static_cast<unsigned>(line[pos++] - '0');
                }
                text[out++] = static_cast<char16_t>(value);
            } else {
                text[out++] = Escaped(e);
                ++pos;
            }
            continue;
        }
        const std::size_t length = SequenceLength(byte);
        const auto decoded = length && pos + length <= line.size()
                                 ? platform::posix::StrictUtf8ToUtf16(line.substr(pos, length))
                                 : std::nullopt;
        if (!decoded) {
            fault = "text holds bytes that are not UTF-8";
            return std::nullopt;
        }
        for (const char16_t unit : *decoded) text[out++] = unit;
        pos += length;
    }
    fault = std::string("text has no closing ") + end;
    return std::nullopt;
}

std::optional<std::u16string> ReadEscaped(std::string_view line, std::size_t& pos, char end,
                                          std::string& fault) {
    const auto text = DecodeEscaped(line, pos, end, fault);
    if (!text) return std::nullopt;
    return std::u16string(*text);
}

void WriteEscaped(std::u16string_view text, std::string_view specials, std::string& out) {
    static constexpr char kEscapes[] = ".......abtnvfr.............e....";
    char buffer[16];
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool more = i + 1 < text.size();
        if (c > 127) {
            // A hex digit after the escape would be read as part of it: four digits then.
            const bool padded = more && text[i + 1] < 128 && HexDigit(static_cast<char>(text[i + 1])) >= 0;
            std::snprintf(buffer, sizeof buffer, padded ? "\\x%04x" : "\\x%x", unsigned{c});
            out += buffer;
        } else if (c < 32) {
            if (kEscapes[c] != '.') {
                out.push_back('\\');
                out.push_back(kEscapes[c]);
            } else {
                const bool padded = more && IsOctal(static_cast<char>(text[i + 1]));
                std::snprintf(buffer, sizeof buffer, padded ? "\\%03o" : "\\%o", unsigned{c});
                out += buffer;
            }
        } else {
            const char ascii = static_cast<char>(c);
            if (ascii == '\\' || specials.find(ascii) != std::string_view::npos) out.push_back('\\');
            out.push_back(ascii);
        }
    }
}

namespace {

// Checks a value line whole, and keeps what it holds in parsed unless that is null: checking
// alone allocates nothing.
bool ReadValueLine(std::string_view line, ValueLine* parsed, std::string& fault) {
    std::size_t pos = 0;
    if (StartsWith(line, "@")) {
        pos = 1;
    } else if (StartsWith(line, "\"")) {
        pos = 1;
        const auto name = DecodeEscaped(line, pos, '"', fault);
        if (!name) return false;
        // Copied out before the data is decoded over it.
        if (parsed) parsed->name = *name;
    } else {
        fault = "the line is no key, value, comment or option";
        return false;
    }
    SkipSpaces(line, pos);
    if (pos == line.size() || line[pos] != '=') {
        fault = "the value's name is not followed by =";
        return false;
    }
    ++pos;
    SkipSpaces(line, pos);
    const std::string_view data = line.substr(pos);

    struct StringForm {
        std::string_view prefix;
        platform::Dword type;
    };
    static constexpr StringForm kStrings[] = {
        {"\"", kRegSz}, {"str:\"", kRegSz}, {"str(2):\"", kRegExpandSz}, {"str(7):\"", kRegMultiSz}};
    for (const StringForm& form : kStrings) {
        if (!StartsWith(data, form.prefix)) continue;
        std::size_t at = form.prefix.size();
        const auto text = DecodeEscaped(data, at, '"', fault);
        if (!text) return false;
        if (!OnlySpacesLeft(data, at)) {
            fault = "text follows the closing quote";
            return false;
        }
        if (parsed) parsed->value = {form.type, StringBytes(*text)};
        return true;
    }
    if (StartsWith(data, "dword:")) {
        std::size_t at = 6;
        std::uint32_t number = 0;
        std::size_t digits = 0;
        while (at < data.size() && HexDigit(data[at]) >= 0 && digits < 8) {
            number = number * 16 + static_cast<std::uint32_t>(HexDigit(data[at++]));
            ++digits;
        }
        if (digits == 0 || !OnlySpacesLeft(data, at)) {
            fault = "a dword is not up to 8 hexadecimal digits";
            return false;
        }
        if (!parsed) return true;
        parsed->value.type = kRegDword;
        parsed->value.data = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                             static_cast<std::uint8_t>(number >> 16),
                             static_cast<std::uint8_t>(number >> 24)};
        return true;
    }
    std::size_t at = 0;
    platform::Dword type = kRegBinary;
    if (StartsWith(data, "hex:")) {
        at = 4;
    } else if (StartsWith(data, "hex(")) {
        at = 4;
        type = 0;
        std::size_t digits = 0;
        while (at < data.size() && HexDigit(data[at]) >= 0 && digits < 8) {
            type = type * 16 + static_cast<platform::Dword>(HexDigit(data[at++]));
            ++digits;
        }
        if (digits == 0 || !StartsWith(data.substr(at), "):")) {
            fault = "hex( is not followed by a hexadecimal type and ):";
            return false;
        }
        at += 2;
    } else {
        fault = "the value's data has no type this reader knows";
        return false;
    }
    if (!parsed) return ParseHexList(data, at, nullptr, fault);
    parsed->value.type = type;
    parsed->value.data.clear();
    return ParseHexList(data, at, &parsed->value.data, fault);
}

}  // namespace

std::optional<ValueLine> ParseValueLine(std::string_view line, std::string& fault) {
    ValueLine parsed;
    if (!ReadValueLine(line, &parsed, fault)) return std::nullopt;
    return parsed;
}

bool CheckValueLine(std::string_view line, std::string& fault) {
    return ReadValueLine(line, nullptr, fault);
}

void WriteValueLine(const std::u16string& name, const platform::TreeValue& value, std::string& out) {
    const std::size_t lineStart = out.size();
    if (name.empty()) {
        out += "@=";
    } else {
        out.push_back('"');
        WriteEscaped(name, "\"\"", out);
        out += "\"=";
    }
    const auto& data = value.data;
    const bool isString =
        value.type == kRegSz || value.type == kRegExpandSz || value.type == kRegMultiSz;
    if (isString && data.size() >= 2 && data.size() % 2 == 0 && data[data.size() - 1] == 0 &&
        data[data.size() - 2] == 0) {
        if (value.type == kRegExpandSz) out += "str(2):";
        if (value.type == kRegMultiSz) out += "str(7):";
        std::u16string text;
        for (std::size_t i = 0; i + 2 < data.size(); i += 2) {
            text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
        }
        out.push_back('"');
        WriteEscaped(text, "\"\"", out);
        out += "\"\n";
        return;
    }
    char buffer[24];
    if (value.type == kRegDword && data.size() == 4) {
        const std::uint32_t number = data[0] | (data[1] << 8) | (data[2] << 16) |
                                     (static_cast<std::uint32_t>(data[3]) << 24);
        std::snprintf(buffer, sizeof buffer, "dword:%08x\n", number);
        out += buffer;
        return;
    }
    if (value.type == kRegBinary) {
        out += "hex:";
    } else {
        std::snprintf(buffer, sizeof buffer, "hex(%x):", value.type);
        out += buffer;
    }
    // Columns are counted as wineserver counts them, so that a line breaks where its does.
    std::size_t count = out.size() - lineStart;
    for (std::size_t i = 0; i < data.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%02x", data[i]);
        out += buffer;
        count += 2;
        if (i + 1 < data.size()) {
            out.push_back(',');
            if (++count > 76) {
                out += "\\\n  ";
                count = 2;
            }
        }
    }
    out.push_back('\n');
}

std::optional<std::u16string_view> ReadKeyPath(std::string_view line, std::string& fault) {
    std::size_t pos = 1;
    const auto path = DecodeEscaped(line, pos, ']', fault);
    if (!path) return std::nullopt;
    SkipSpaces(line, pos);
    while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') ++pos;
    if (!OnlySpacesLeft(line, pos)) {
        fault = "the key's name is followed by something other than its time";
        return std::nullopt;
    }
    const bool emptyName = !path->empty() && (path->front() == u'\\' || path->back() == u'\\' ||
                                              path->find(u"\\\\") != std::u16string_view::npos);
    if (emptyName) {
        fault = "the key's path has an empty name in it";
        return std::nullopt;
    }
    return path;
}

std::optional<KeyLine> ParseKeyLine(std::string_view line, std::string& fault) {
    const auto path = ReadKeyPath(line, fault);
    if (!path) return std::nullopt;
    KeyLine key;
    if (path->empty()) return key;
    key.path.reserve(static_cast<std::size_t>(std::count(path->begin(), path->end(), u'\\')) + 1);
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = std::min(path->find(u'\\', start), path->size());
        key.path.emplace_back(path->substr(start, slash - start));
        if (slash == path->size()) break;
        start = slash + 1;
    }
    return key;
}

std::optional<std::uint64_t> ParseTime(std::string_view digits) {
    std::uint64_t time = 0;
    std::size_t count = 0;
    for (const char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0 || ++count > 16) return std::nullopt;
        time = time * 16 + static_cast<std::uint64_t>(digit);
    }
    if (count == 0) return std::nullopt;
    return time;
}

}  // namespace wine
