// Reading .reg files. The text is decoded whole first, then read line by line.
#include <cctype>

#include "platform/codepage.h"
#include "platform/utf16.h"
#include "tools/regtool/reg_file.h"
#include "tools/regtool/utf8_text.h"

namespace regtool {
namespace {

constexpr std::u16string_view kVersion5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kVersion4 = u"REGEDIT4";

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

bool IsUtf16(std::string_view bytes) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xFE;
}

// UTF-8 that is not UTF-8 reads as far as it is, with U+FFFD where it stops being it, so
// that the reader can name the line.
std::u16string LenientUtf8(std::string_view bytes) {
    std::u16string text;
    while (!bytes.empty()) {
        std::size_t bad = 0;
        if (auto whole = DecodeUtf8(bytes, &bad)) return text + *whole;
        text += *DecodeUtf8(bytes.substr(0, bad));
        text.push_back(u'\xFFFD');
        bytes.remove_prefix(bad + 1);
    }
    return text;
}

std::u16string Decode(std::string_view bytes, EightBitText eightBit, int* version) {
    if (IsUtf16(bytes)) {
        std::u16string text;
        text.reserve(bytes.size() / 2);
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 static_cast<unsigned char>(bytes[i + 1]) << 8));
        }
        *version = 5;
        return text;
    }
    *version = 4;
    if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
        std::u16string text = LenientUtf8(bytes.substr(kUtf8Mark.size()));
        // The mark says the encoding; the first line says the version.
        if (text.substr(0, 8) != u"REGEDIT4") *version = 5;
        return text;
    }
    return eightBit == EightBitText::kUtf8 ? LenientUtf8(bytes) : platform::codepage::Decode(bytes);
}

std::vector<std::u16string_view> Lines(std::u16string_view text) {
    std::vector<std::u16string_view> lines;
    std::size_t start = 0;
    // A final line break ends the last line; it does not start another.
    while (start < text.size()) {
        std::size_t end = text.find(u'\n', start);
        if (end == std::u16string_view::npos) end = text.size();
        std::u16string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == u'\r') line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view TrimLeft(std::u16string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    return text;
}

std::u16string_view Trim(std::u16string_view text) {
    text = TrimLeft(text);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Why the registry functions cannot carry a name as it stands, or nullptr: they take
// names as NUL-terminated UTF-16, and a lone surrogate is no character at all.
const char* UnfitName(std::u16string_view name) {
    if (name.find(u'\0') != std::u16string_view::npos) return "holds a NUL character";
    if (platform::HasLoneSurrogate(name)) return "holds half of a surrogate pair";
    return nullptr;
}

bool StartsWith(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char16_t c = text[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        if (c != prefix[i]) return false;
    }
    return true;
}

class Reader {
public:
    Reader(std::u16string_view text, int version, bool utf8)
        : lines_(Lines(text)), version_(version), utf8_(utf8) {}

    std::variant<RegFile, RegFileError> Read() {
        RegFile file;
        file.version = version_;
        const std::u16string_view header = lines_.empty() ? u"" : Trim(lines_[0]);
        if (header != (version_ == 5 ? kVersion5 : kVersion4)) {
            return RegFileError{1, version_ == 5
                                       ? "the first line must be \"Windows Registry Editor Version 5.00\""
                                       : "the first line must be \"REGEDIT4\" or the file UTF-16 with a byte-order mark"};
        }
        for (index_ = 1; index_ < lines_.size(); ++index_) {
            const std::u16string_view line = Trim(lines_[index_]);
            const int number = static_cast<int>(index_) + 1;
            if (utf8_ && line.find(u'\xFFFD') != std::u16string_view::npos) {
                return RegFileError{number, "the line is not UTF-8 text"};
            }
            if (line.empty() || line.front() == u';') continue;
            if (line.front() == u'[') {
                if (line.back() != u']') return RegFileError{number, "a key line must end with ']'"};
                std::u16string_view name = line.substr(1, line.size() - 2);
                RegFileKey key;
                key.line = number;
                if (!name.empty() && name.front() == u'-') {
                    key.remove = true;
                    name.remove_prefix(1);
                }
                const auto parsed = ParseKeyName(name);
                if (!parsed) return RegFileError{number, "unknown root key"};
                if (const char* unfit = UnfitName(parsed->path)) {
                    return RegFileError{number, std::string("the key name ") + unfit};
                }
                key.key = *parsed;
                file.keys.push_back(std::move(key));
                continue;
            }
            if (line.front() == u'"' || line.front() == u'@') {
                if (file.keys.empty()) return RegFileError{number, "a value outside of any key"};
                if (file.keys.back().remove) {
                    return RegFileError{number, "a value under a key that is being deleted"};
                }
                RegFileValue value;
                value.line = number;
                if (auto error = ReadValue(line, value)) return *error;
                file.keys.back().values.push_back(std::move(value));
                continue;
            }
            return RegFileError{number, "a line that is neither a key, a value nor a comment"};
        }
        return file;
    }

private:
    std::optional<RegFileError> Fail(const std::string& message) const {
        return RegFileError{line_, message};
    }

    std::optional<RegFileError> ReadValue(std::u16string_view line, RegFileValue& out) {
        line_ = static_cast<int>(index_) + 1;
        std::size_t at = 0;
        if (line[0] == u'@') {
            at = 1;
        } else {
            auto name = ReadQuoted(line, at);
            if (!name) return Fail("a value name without its closing quote");
            if (const char* unfit = UnfitName(*name)) return Fail(std::string("the value name ") + unfit);
            out.value.name = *name;
        }
        std::u16string_view rest = TrimLeft(line.substr(at));
        if (rest.empty() || rest.front() != u'=') return Fail("'=' expected after the value name");
        rest = Trim(rest.substr(1));
        if (rest == u"-") {
            out.remove = true;
            return std::nullopt;
        }
        if (!rest.empty() && rest.front() == u'"') {
            std::size_t end = 0;
            auto text = ReadQuoted(rest, end);
            if (!text) return Fail("a string without its closing quote");
            if (!Trim(rest.substr(end)).empty()) return Fail("text after the closing quote");
            out.value.type = platform::kRegSz;
            out.value.data = StringData(*text);
            return std::nullopt;
        }
        if (StartsWith(rest, u"dword:")) {
            const std::u16string_view digits = rest.substr(6);
            if (digits.empty() || digits.size() > 8) return Fail("dword: needs 1 to 8 hex digits");
            std::uint32_t number = 0;
            for (const char16_t c : digits) {
                const int digit = HexDigit(c);
                if (digit < 0) return Fail("dword: needs hex digits");
                number = number << 4 | static_cast<std::uint32_t>(digit);
            }
            out.value.type = platform::kRegDword;
            out.value.data = DwordData(number);
            return std::nullopt;
        }
        if (StartsWith(rest, u"hex")) return ReadHex(rest.substr(3), out.value);
        return Fail("value data that is neither a string, dword: nor hex:");
    }

    // hex:01,02 or hex(N):01,02 with lines continued after a comma by a trailing backslash.
    std::optional<RegFileError> ReadHex(std::u16string_view rest, RegValue& value) {
        value.type = platform::kRegBinary;
        if (!rest.empty() && rest.front() == u'(') {
            const std::size_t close = rest.find(u')');
            if (close == std::u16string_view::npos || close == 1 || close > 9) {
                return Fail("hex( needs a type in hex and ')'");
            }
            std::uint32_t type = 0;
            for (const char16_t c : rest.substr(1, close - 1)) {
                const int digit = HexDigit(c);
                if (digit < 0) return Fail("hex( needs a type in hex");
                type = type << 4 | static_cast<std::uint32_t>(digit);
            }
            value.type = type;
            rest = rest.substr(close + 1);
        }
        if (rest.empty() || rest.front() != u':') return Fail("':' expected after hex");
        std::u16string data(rest.substr(1));
        // Lines arrive trimmed, so a continuation is a backslash at the very end.
        while (!data.empty() && data.back() == u'\\') {
            data.pop_back();
            if (++index_ >= lines_.size()) return Fail("a continued line at the end of the file");
            data += Trim(lines_[index_]);
        }
        std::vector<std::uint8_t> bytes;
        std::size_t i = 0;
        const std::u16string_view text = data;
        while (true) {
            while (i < text.size() && IsSpace(text[i])) ++i;
            if (i >= text.size()) break;
            const int high = HexDigit(text[i]);
            const int low = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
            if (high < 0 || low < 0) return Fail("hex data must be pairs of hex digits");
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
            i += 2;
            while (i < text.size() && IsSpace(text[i])) ++i;
            if (i >= text.size()) break;
            if (text[i] != u',') return Fail("hex pairs must be separated by commas");
            ++i;
        }
        // REGEDIT4 keeps string data in the code page (or UTF-8, read so); the registry
        // keeps UTF-16.
        if (version_ == 4 && platform::IsStringType(value.type)) {
            const std::string_view narrow(reinterpret_cast<const char*>(bytes.data()), bytes.size());
            const std::u16string wide = utf8_ ? LenientUtf8(narrow) : platform::codepage::Decode(narrow);
            bytes.clear();
            for (const char16_t c : wide) {
                bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
                bytes.push_back(static_cast<std::uint8_t>(c >> 8));
            }
        }
        value.data = std::move(bytes);
        return std::nullopt;
    }

    // A quoted text at `at` with \\ and \" escapes; `at` ends after the closing quote.
    static std::optional<std::u16string> ReadQuoted(std::u16string_view line, std::size_t& at) {
        if (at >= line.size() || line[at] != u'"') return std::nullopt;
        std::u16string text;
        for (std::size_t i = at + 1; i < line.size(); ++i) {
            if (line[i] == u'\\' && i + 1 < line.size()) {
                text.push_back(line[++i]);
            } else if (line[i] == u'"') {
                at = i + 1;
                return text;
            } else {
                text.push_back(line[i]);
            }
        }
        return std::nullopt;
    }

    std::vector<std::u16string_view> lines_;
    int version_;
    bool utf8_;
    std::size_t index_ = 0;
    int line_ = 0;
};

}  // namespace

std::variant<RegFile, RegFileError> ParseRegFile(std::string_view bytes, EightBitText eightBit) {
    int version = 5;
    const std::u16string text = Decode(bytes, eightBit, &version);
    if (IsUtf16(bytes) && bytes.size() % 2) {
        return RegFileError{static_cast<int>(Lines(text).size()),
                            "the file ends in half a UTF-16 character"};
    }
    const bool utf8 = !IsUtf16(bytes) && (eightBit == EightBitText::kUtf8 ||
                                          bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark);
    return Reader(text, version, utf8).Read();
}

std::optional<AmbiguousLine> Utf8InEightBitFile(std::string_view bytes) {
    if (IsUtf16(bytes) || bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) return std::nullopt;
    const auto asUtf8 = DecodeUtf8(bytes);
    if (!asUtf8) return std::nullopt;
    const std::u16string asCodePage = platform::codepage::Decode(bytes);
    // Plain ASCII, or a code page that is UTF-8 itself, reads the same either way.
    if (*asUtf8 == asCodePage) return std::nullopt;
    const auto utf8Lines = Lines(*asUtf8);
    const auto codePageLines = Lines(asCodePage);
    for (std::size_t i = 0; i < utf8Lines.size() && i < codePageLines.size(); ++i) {
        if (utf8Lines[i] != codePageLines[i]) {
            return AmbiguousLine{static_cast<int>(i) + 1, std::u16string(Trim(utf8Lines[i])),
                                 std::u16string(Trim(codePageLines[i]))};
        }
    }
    return std::nullopt;
}

}  // namespace regtool
