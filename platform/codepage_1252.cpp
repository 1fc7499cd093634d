// Windows-1252 as Windows itself maps it, the active code page of the C locale off Windows.
#include <algorithm>
#include <array>

#include "platform/codepage_converters.h"

namespace platform::codepage {
namespace {

// Codes 0x80 to 0x9F; the rest of the page is Latin-1 and maps to itself. The five
// codes the standard leaves undefined map to the C1 controls, as Windows maps them.
// glibc's iconv refuses those five, which is why the table is ours.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char ToByte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    const auto* found = std::find(kHighControls.begin(), kHighControls.end(), c);
    if (found == kHighControls.end()) return '?';
    return static_cast<char>(0x80 + (found - kHighControls.begin()));
}

}  // namespace

std::string EncodeWindows1252(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    // One byte per UTF-16 unit, as Windows converts: a surrogate pair becomes "??".
    for (const char16_t c : text) out.push_back(ToByte(c));
    return out;
}

std::u16string DecodeWindows1252(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (const char b : bytes) {
        const auto code = static_cast<unsigned char>(b);
        out.push_back(code >= 0x80 && code < 0xA0 ? kHighControls[code - 0x80]
                                                  : static_cast<char16_t>(code));
    }
    return out;
}

}  // namespace platform::codepage
