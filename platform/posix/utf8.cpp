#include "platform/posix/utf8.h"

#include <iconv.h>

#include <cerrno>

namespace platform::posix {
namespace {

// Converts with iconv, skipping one input unit wherever the input is invalid, or failing
// (nullopt) there when strict.
std::optional<std::string> Convert(const char* to, const char* from, const char* data,
                                   std::size_t size, std::size_t unit, std::size_t outBytesPerUnit,
                                   bool strict = false) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(size / unit * outBytesPerUnit + 4, '\0');
    char* in = const_cast<char*>(data);
    std::size_t inLeft = size;
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    while (inLeft >= unit) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) break;
        if (errno != EILSEQ && errno != EINVAL) break;
        if (strict) {
            iconv_close(cd);
            return std::nullopt;
        }
        in += unit;
        inLeft -= unit;
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

std::u16string FromUtf16Le(const std::string& bytes) {
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    return out;
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
    return FromUtf16Le(
        Convert("UTF-16LE", "UTF-8", text.data(), text.size(), 1, 2).value_or(std::string()));
}

std::optional<std::u16string> StrictUtf8ToUtf16(std::string_view text) {
    const auto bytes = Convert("UTF-16LE", "UTF-8", text.data(), text.size(), 1, 2, true);
    if (!bytes) return std::nullopt;
    return FromUtf16Le(*bytes);
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return Convert("UTF-8", "UTF-16LE", bytes.data(), bytes.size(), 2, 3).value_or(std::string());
}

}  // namespace platform::posix
