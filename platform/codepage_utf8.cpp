// UTF-8 as the active code page (65001), converted by Windows' rules rather than
// refused: Windows replaces what it cannot convert instead of failing the call.
#include "platform/codepage_converters.h"

namespace platform::codepage {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void Put(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | c >> 6));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | c >> 12));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | c >> 18));
        out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void Put(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
    } else {
        out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
}

// The range the second byte of a sequence must lie in, which rules out overlong forms,
// encoded surrogates and code points above U+10FFFF; {0, 0} for a byte that starts none.
struct Lead {
    int length;
    unsigned char low, high;
};

Lead LeadOf(unsigned char b) {
    if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
    if (b == 0xE0) return {3, 0xA0, 0xBF};
    if (b == 0xED) return {3, 0x80, 0x9F};
    if (b >= 0xE1 && b <= 0xEF) return {3, 0x80, 0xBF};
    if (b == 0xF0) return {4, 0x90, 0xBF};
    if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
    if (b == 0xF4) return {4, 0x80, 0x8F};
    return {0, 0, 0};
}

}  // namespace

std::string EncodeUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            Put(out, 0x10000 + (char32_t{c} - 0xD800) * 0x400 + (text[++i] - 0xDC00));
        } else {
            Put(out, c >= 0xD800 && c < 0xE000 ? kReplacement : char32_t{c});
        }
    }
    return out;
}

// A sequence cut short by a byte that cannot follow is one replacement, and the byte that
// broke it starts afresh: the Unicode standard's maximal-subpart practice.
std::u16string DecodeUtf8(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        const Lead lead = LeadOf(b);
        char32_t c = b & (0x7F >> lead.length);
        std::size_t taken = 1;
        bool whole = lead.length > 0;
        for (; whole && taken < static_cast<std::size_t>(lead.length); ++taken) {
            if (i + taken >= bytes.size()) {
                whole = false;
                break;
            }
            const auto next = static_cast<unsigned char>(bytes[i + taken]);
            const unsigned char low = taken == 1 ? lead.low : 0x80;
            const unsigned char high = taken == 1 ? lead.high : 0xBF;
            if (next < low || next > high) {
                whole = false;
                break;
            }
            c = c << 6 | (next & 0x3F);
        }
        Put(out, whole ? c : kReplacement);
        i += taken;
    }
    return out;
}

}  // namespace platform::codepage
