// Checks on UTF-16 text that every layer shares.
#pragma once

#include <string_view>

namespace platform {

// True when the text holds half of a surrogate pair, which is no character: such a name
// cannot be stored as text, nor written to a file that another program reads as text.
constexpr bool HasLoneSurrogate(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            return true;
        }
    }
    return false;
}

}  // namespace platform
