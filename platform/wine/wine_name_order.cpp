#include "platform/wine/wine_name_order.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>

namespace wine {
namespace {

// C.UTF-8 gives towlower Unicode's simple case mapping, the table Wine's server lowers by.
locale_t UnicodeLocale() {
    static const locale_t locale = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        return l ? l : newlocale(LC_CTYPE_MASK, "C", nullptr);
    }();
    return locale;
}

char16_t Lower(char16_t unit) {
    if (unit < 0x80) return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 32) : unit;
    if (unit >= 0xD800 && unit <= 0xDFFF) return unit;
    const wint_t lower = towlower_l(unit, UnicodeLocale());
    return lower <= 0xFFFF ? static_cast<char16_t>(lower) : unit;
}

}  // namespace

bool WineNameLess(std::u16string_view a, std::u16string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t left = Lower(a[i]), right = Lower(b[i]);
        if (left != right) return left < right;
    }
    return a.size() < b.size();
}

}  // namespace wine
