#include "platform/registry/key_names.h"

#include <locale.h>
#include <wctype.h>

namespace platform {
namespace {

// C.UTF-8 gives towupper the whole of Unicode's simple case mapping, whatever locale the
// program itself runs in.
locale_t UnicodeLocale() {
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        return l ? l : newlocale(LC_CTYPE_MASK, "C", nullptr);
    }();
    return locale;
}

}  // namespace

std::u16string FoldName(std::u16string_view name) {
    std::u16string folded;
    FoldName(name, folded);
    return folded;
}

void FoldName(std::u16string_view name, std::u16string& folded) {
    folded.assign(name);
    const locale_t locale = UnicodeLocale();
    for (char16_t& unit : folded) {
        if (unit < 0x80) {
            if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - 32);
            continue;
        }
        if (unit >= 0xD800 && unit <= 0xDFFF) continue;
        const wint_t upper = towupper_l(unit, locale);
        // A mapping that leaves the basic plane would not fit one unit; keep the letter.
        if (upper <= 0xFFFF) unit = static_cast<char16_t>(upper);
    }
}

bool FoldedNameLess(std::u16string_view a, std::u16string_view b) {
    return FoldName(a) < FoldName(b);
}

std::optional<std::vector<std::u16string_view>> SplitKeyPath(std::u16string_view path) {
    if (!path.empty() && path.front() == u'\\') return std::nullopt;
    std::vector<std::u16string_view> parts;
    std::size_t start = 0;
    while (start < path.size()) {
        const std::size_t end = std::min(path.find(u'\\', start), path.size());
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

}  // namespace platform
