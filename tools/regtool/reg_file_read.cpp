// Reading .reg files, one line at a time: each line is decoded when it is reached, and
// each change handed on as soon as it is read.
#include <algorithm>
#include <bit>
#include <cctype>
#include <cstring>

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

bool HasUtf8Mark(std::string_view bytes) { return bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark; }

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

bool IsAscii(std::string_view bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

// How a file's bytes are text.
enum class TextForm { kUtf16, kUtf8, kCodePage };

// The lines of a file's text, each decoded into the caller's buffer when it is reached.
// Every code page reads ASCII as ASCII, so a line of ASCII alone is widened as it stands.
class LineCursor {
public:
    LineCursor(std::string_view bytes, TextForm form) : bytes_(bytes), form_(form) {
        if (form == TextForm::kUtf16) {
            at_ = 2;
            // Half a character at the end is no text.
            end_ = bytes.size() < 2 ? bytes.size() : 2 + (bytes.size() - 2) / 2 * 2;
        } else {
            at_ = HasUtf8Mark(bytes) ? kUtf8Mark.size() : 0;
            end_ = bytes.size();
        }
    }

    // The next line, without its line break and a CR before it; false past the last line.
    // A final line break ends the last line; it does not start another.
    bool Next(std::u16string& line) {
        if (at_ >= end_) return false;
        if (form_ == TextForm::kUtf16) {
            // A line break is a '\n' byte at an even offset followed by a zero byte; memchr
            // finds the candidates far faster than a loop over every unit.
            std::size_t stop = at_;
            while (stop < end_) {
                const void* found = std::memchr(bytes_.data() + stop, '\n', end_ - stop);
                if (!found) {
                    stop = end_;
                    break;
                }
                stop = static_cast<std::size_t>(static_cast<const char*>(found) - bytes_.data());
                if ((stop - at_) % 2 == 0 && bytes_[stop + 1] == '\0') break;
                ++stop;
            }
            line.resize((stop - at_) / 2);
            if constexpr (std::endian::native == std::endian::little) {
                std::memcpy(line.data(), bytes_.data() + at_, line.size() * 2);
            } else {
                for (std::size_t i = 0; i < line.size(); ++i) {
                    line[i] = static_cast<char16_t>(
                        static_cast<unsigned char>(bytes_[at_ + 2 * i]) |
                        static_cast<unsigned char>(bytes_[at_ + 2 * i + 1]) << 8);
                }
            }
            at_ = stop + 2;
        } else {
            const void* found = std::memchr(bytes_.data() + at_, '\n', end_ - at_);
            const std::size_t stop =
                found ? static_cast<std::size_t>(static_cast<const char*>(found) - bytes_.data())
                      : end_;
            const std::string_view text = bytes_.substr(at_, stop - at_);
            if (IsAscii(text)) {
                line.assign(text.begin(), text.end());
            } else {
                line = form_ == TextForm::kUtf8 ? LenientUtf8(text) : platform::codepage::Decode(text);
            }
            at_ = stop + 1;
        }
        if (!line.empty() && line.back() == u'\r') line.pop_back();
        return true;
    }

private:
    std::string_view bytes_;
    TextForm form_;
    std::size_t at_ = 0, end_ = 0;
};

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

// Little-endian UTF-16 with its terminating NUL, as the registry keeps string data, into a
// buffer that keeps its room from one value to the next.
void AssignStringData(std::u16string_view text, std::vector<std::uint8_t>& data) {
    data.resize((text.size() + 1) * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        data[2 * i] = static_cast<std::uint8_t>(text[i] & 0xFF);
        data[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
    }
    data[2 * text.size()] = 0;
    data[2 * text.size() + 1] = 0;
}

// Reads the lines in turn and hands each change on. The buffers of a line and of a value
// are members, reused from one line to the next, so that reading a value allocates only
// where its data outgrows every value before it.
class Reader {
public:
    Reader(std::string_view bytes, TextForm form, int version, bool utf8, RegFileSink& sink)
        : lines_(bytes, form), version_(version), utf8_(utf8), sink_(sink) {}

    std::optional<RegFileError> Read() {
        const bool any = lines_.Next(line_);
        const std::u16string_view header = any ? Trim(line_) : u"";
        if (header != (version_ == 5 ? kVersion5 : kVersion4)) {
            return RegFileError{1, version_ == 5
                                       ? "the first line must be \"Windows Registry Editor Version 5.00\""
                                       : "the first line must be \"REGEDIT4\" or the file UTF-16 with a byte-order mark"};
        }
        number_ = 1;
        while (lines_.Next(line_)) {
            ++number_;
            const std::u16string_view line = Trim(line_);
            if (utf8_ && line.find(u'\xFFFD') != std::u16string_view::npos) {
                return RegFileError{number_, "the line is not UTF-8 text"};
            }
            if (line.empty() || line.front() == u';') continue;
            if (line.front() == u'[') {
                if (line.back() != u']') return RegFileError{number_, "a key line must end with ']'"};
                std::u16string_view name = line.substr(1, line.size() - 2);
                key_.line = number_;
                key_.remove = !name.empty() && name.front() == u'-';
                if (key_.remove) name.remove_prefix(1);
                auto parsed = ParseKeyName(name);
                if (!parsed) return RegFileError{number_, "unknown root key"};
                if (const char* unfit = UnfitName(parsed->path)) {
                    return RegFileError{number_, std::string("the key name ") + unfit};
                }
                key_.key = std::move(*parsed);
                inKey_ = true;
                if (!sink_.Key(key_)) return std::nullopt;
                continue;
            }
            if (line.front() == u'"' || line.front() == u'@') {
                if (!inKey_) return RegFileError{number_, "a value outside of any key"};
                if (key_.remove) {
                    return RegFileError{number_, "a value under a key that is being deleted"};
                }
                if (auto error = ReadValue(line)) return *error;
                if (!sink_.Value(value_)) return std::nullopt;
                continue;
            }
            return RegFileError{number_, "a line that is neither a key, a value nor a comment"};
        }
        return std::nullopt;
    }

private:
    std::optional<RegFileError> Fail(const std::string& message) const {
        return RegFileError{value_.line, message};
    }

    std::optional<RegFileError> ReadValue(std::u16string_view line) {
        RegValue& value = value_.value;
        value_.line = number_;
        value_.remove = false;
        value.name.clear();
        value.type = platform::kRegSz;
        value.data.clear();
        std::size_t at = 0;
        if (line[0] == u'@') {
            at = 1;
        } else {
            if (!ReadQuoted(line, at, value.name)) return Fail("a value name without its closing quote");
            if (const char* unfit = UnfitName(value.name)) {
                return Fail(std::string("the value name ") + unfit);
            }
        }
        std::u16string_view rest = TrimLeft(line.substr(at));
        if (rest.empty() || rest.front() != u'=') return Fail("'=' expected after the value name");
        rest = Trim(rest.substr(1));
        if (rest == u"-") {
            value_.remove = true;
            return std::nullopt;
        }
        if (!rest.empty() && rest.front() == u'"') {
            std::size_t end = 0;
            if (!ReadQuoted(rest, end, text_)) return Fail("a string without its closing quote");
            if (!Trim(rest.substr(end)).empty()) return Fail("text after the closing quote");
            AssignStringData(text_, value.data);
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
            value.type = platform::kRegDword;
            value.data.resize(4);
            for (std::size_t i = 0; i < 4; ++i) {
                value.data[i] = static_cast<std::uint8_t>(number >> (8 * i));
            }
            return std::nullopt;
        }
        if (StartsWith(rest, u"hex")) return ReadHex(rest.substr(3), value);
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
        text_.assign(rest.substr(1));
        // Lines arrive trimmed, so a continuation is a backslash at the very end.
        while (!text_.empty() && text_.back() == u'\\') {
            text_.pop_back();
            if (!lines_.Next(continued_)) return Fail("a continued line at the end of the file");
            ++number_;
            text_ += Trim(continued_);
        }
        std::vector<std::uint8_t>& bytes = value.data;
        std::size_t i = 0;
        const std::u16string_view text = text_;
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
            const std::string narrow(bytes.begin(), bytes.end());
            const std::u16string wide = utf8_ ? LenientUtf8(narrow) : platform::codepage::Decode(narrow);
            bytes.clear();
            for (const char16_t c : wide) {
                bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
                bytes.push_back(static_cast<std::uint8_t>(c >> 8));
            }
        }
        return std::nullopt;
    }

    // A quoted text at `at` with \\ and \" escapes into text; `at` ends after the closing
    // quote. False when the quote is not closed.
    static bool ReadQuoted(std::u16string_view line, std::size_t& at, std::u16string& text) {
        text.clear();
        if (at >= line.size() || line[at] != u'"') return false;
        for (std::size_t i = at + 1; i < line.size(); ++i) {
            if (line[i] == u'\\' && i + 1 < line.size()) {
                text.push_back(line[++i]);
            } else if (line[i] == u'"') {
                at = i + 1;
                return true;
            } else {
                text.push_back(line[i]);
            }
        }
        return false;
    }

    LineCursor lines_;
    int version_;
    bool utf8_;
    RegFileSink& sink_;
    int number_ = 0;  // of the line last read
    bool inKey_ = false;
    std::u16string line_, continued_, text_;
    RegFileKey key_;
    RegFileValue value_;
};

// Keeps every change, for ParseRegFile.
class Collector final : public RegFileSink {
public:
    explicit Collector(RegFile& file) : file_(file) {}
    bool Key(const RegFileKey& key) override {
        file_.keys.push_back(key);
        return true;
    }
    bool Value(const RegFileValue& value) override {
        file_.keys.back().values.push_back(value);
        return true;
    }

private:
    RegFile& file_;
};

}  // namespace

std::optional<RegFileError> ReadRegFile(std::string_view bytes, EightBitText eightBit,
                                        RegFileSink& sink, int* version) {
    const bool utf16 = IsUtf16(bytes);
    const bool utf8 = !utf16 && (eightBit == EightBitText::kUtf8 || HasUtf8Mark(bytes));
    const TextForm form = utf16 ? TextForm::kUtf16 : utf8 ? TextForm::kUtf8 : TextForm::kCodePage;
    int found = utf16 ? 5 : 4;
    if (HasUtf8Mark(bytes)) {
        // The mark says the encoding; the first line says the version.
        std::u16string first;
        LineCursor(bytes, form).Next(first);
        if (first.substr(0, 8) != u"REGEDIT4") found = 5;
    }
    if (version) *version = found;
    if (utf16 && bytes.size() % 2) {
        int lines = 0;
        std::u16string line;
        for (LineCursor cursor(bytes, form); cursor.Next(line);) ++lines;
        return RegFileError{lines, "the file ends in half a UTF-16 character"};
    }
    return Reader(bytes, form, found, utf8, sink).Read();
}

std::variant<RegFile, RegFileError> ParseRegFile(std::string_view bytes, EightBitText eightBit) {
    RegFile file;
    Collector collector(file);
    if (auto error = ReadRegFile(bytes, eightBit, collector, &file.version)) return *error;
    return file;
}

std::optional<AmbiguousLine> Utf8InEightBitFile(std::string_view bytes) {
    if (IsUtf16(bytes) || HasUtf8Mark(bytes)) return std::nullopt;
    // Line by line, so that no decoded copy of the file is held: a line break is the same
    // byte in UTF-8 and in every code page, and ASCII reads the same in all of them.
    std::optional<AmbiguousLine> first;
    int number = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t stop = std::min(bytes.find('\n', at), bytes.size());
        const std::string_view line = bytes.substr(at, stop - at);
        at = stop + 1;
        ++number;
        if (IsAscii(line)) continue;
        auto asUtf8 = DecodeUtf8(line);
        // Bytes that are not UTF-8 anywhere make a file of the code page's.
        if (!asUtf8) return std::nullopt;
        if (first) continue;
        std::u16string asCodePage = platform::codepage::Decode(line);
        if (*asUtf8 == asCodePage) continue;
        for (std::u16string* text : {&*asUtf8, &asCodePage}) {
            if (!text->empty() && text->back() == u'\r') text->pop_back();
        }
        first = AmbiguousLine{number, std::u16string(Trim(*asUtf8)), std::u16string(Trim(asCodePage))};
    }
    return first;
}

}  // namespace regtool
