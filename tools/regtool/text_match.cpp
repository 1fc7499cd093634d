#include "tools/regtool/text_match.h"

namespace regtool {
namespace {

char16_t Upper(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
    if (c < 0xE0) return c;
    // Latin-1: à to þ, except ÷; ÿ has its capital far away.
    if (c <= 0xFE) return c == 0xF7 ? c : static_cast<char16_t>(c - 32);
    if (c == 0xFF) return 0x178;
    // Latin Extended-A pairs its letters, capital first, in two runs.
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) {
        return static_cast<char16_t>(c & ~1u);
    }
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) {
        return (c & 1u) ? c : static_cast<char16_t>(c - 1);
    }
    // Greek α to ω (ς as σ), Cyrillic а to я and ѐ to џ.
    if (c >= 0x3B1 && c <= 0x3C9) return static_cast<char16_t>(c == 0x3C2 ? 0x3A3 : c - 32);
    if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 32);
    if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
    return c;
}

}  // namespace

std::u16string FoldCase(std::u16string_view text) {
    std::u16string folded(text);
    for (char16_t& c : folded) c = Upper(c);
    return folded;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && FoldCase(a) == FoldCase(b);
}

bool TextPattern::Matches(std::u16string_view candidate) const {
    if (text == u"*") return true;
    const std::u16string wanted = caseSensitive ? text : FoldCase(text);
    const std::u16string have = caseSensitive ? std::u16string(candidate) : FoldCase(candidate);
    return exact ? have == wanted : have.find(wanted) != std::u16string::npos;
}

}  // namespace regtool
