// The other Windows code pages through the C library's converter, with Windows' answers
// where the converter refuses: '?' for what a page lacks, and in the single-byte pages
// the codes they leave undefined as the control characters of the same number.
#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>

#include "platform/codepage_converters.h"

namespace platform::codepage {
namespace {

constexpr std::array<unsigned, 4> kDoubleBytePages = {932, 936, 949, 950};
constexpr std::array<unsigned, 10> kSingleBytePages = {874,  1250, 1251, 1252, 1253,
                                                       1254, 1255, 1256, 1257, 1258};

bool IsDoubleByte(unsigned codePage) {
    return std::find(kDoubleBytePages.begin(), kDoubleBytePages.end(), codePage) !=
           kDoubleBytePages.end();
}

std::string CharsetOf(unsigned codePage) { return "CP" + std::to_string(codePage); }

// One conversion descriptor for the length of a call.
class Converter {
public:
    Converter(const std::string& to, const std::string& from)
        : cd_(iconv_open(to.c_str(), from.c_str())) {}
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    ~Converter() {
        if (Valid()) iconv_close(cd_);
    }
    bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as it can into out; false where the input is refused there.
    bool Run(const char*& in, std::size_t& inLeft, std::string& out) {
        char buffer[256];
        for (;;) {
            char* inPtr = const_cast<char*>(in);
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t result = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
            const int error = errno;
            in = inPtr;
            out.append(buffer, sizeof buffer - outLeft);
            if (result != static_cast<std::size_t>(-1)) return true;
            if (error != E2BIG) return false;
        }
    }

    // Writes out what a page that combines characters still holds back.
    void Finish(std::string& out) {
        char buffer[64];
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        iconv(cd_, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, sizeof buffer - outLeft);
    }

private:
    iconv_t cd_;
};

std::u16string FromUtf16Le(const std::string& bytes) {
    std::u16string out(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    }
    return out;
}

// Whether a single-byte page leaves the byte undefined.
bool Undefined(unsigned codePage, unsigned char byte) {
    Converter converter("UTF-16LE", CharsetOf(codePage));
    const char single = static_cast<char>(byte);
    const char* in = &single;
    std::size_t left = 1;
    std::string out;
    return converter.Valid() && !converter.Run(in, left, out);
}

}  // namespace

bool IconvConverts(unsigned codePage) {
    const bool listed = IsDoubleByte(codePage) ||
                        std::find(kSingleBytePages.begin(), kSingleBytePages.end(), codePage) !=
                            kSingleBytePages.end();
    return listed && Converter("UTF-16LE", CharsetOf(codePage)).Valid();
}

std::string EncodeByIconv(unsigned codePage, std::u16string_view text) {
    Converter converter(CharsetOf(codePage), "UTF-16LE");
    std::string units;
    units.reserve(text.size() * 2);
    for (const char16_t c : text) {
        units.push_back(static_cast<char>(c & 0xFF));
        units.push_back(static_cast<char>(c >> 8));
    }
    std::string out;
    const char* in = units.data();
    std::size_t left = units.size();
    while (converter.Valid() && !converter.Run(in, left, out) && left >= 2) {
        // The refused unit: an undefined code of a single-byte page maps back to its byte.
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(in[0]) |
                                                static_cast<unsigned char>(in[1]) << 8);
        const bool undefined = !IsDoubleByte(codePage) && unit >= 0x80 && unit < 0x100 &&
                               Undefined(codePage, static_cast<unsigned char>(unit));
        out.push_back(undefined ? static_cast<char>(unit) : '?');
        in += 2;
        left -= 2;
    }
    if (converter.Valid()) converter.Finish(out);
    return out;
}

std::u16string DecodeByIconv(unsigned codePage, std::string_view bytes) {
    Converter converter("UTF-16LE", CharsetOf(codePage));
    std::string out;
    const char* in = bytes.data();
    std::size_t left = bytes.size();
    while (converter.Valid() && !converter.Run(in, left, out) && left > 0) {
        const auto byte = static_cast<unsigned char>(in[0]);
        const char16_t unit = IsDoubleByte(codePage) ? u'?' : char16_t{byte};
        out.push_back(static_cast<char>(unit & 0xFF));
        out.push_back(static_cast<char>(unit >> 8));
        ++in;
        --left;
    }
    if (converter.Valid()) converter.Finish(out);
    return FromUtf16Le(out);
}

}  // namespace platform::codepage
