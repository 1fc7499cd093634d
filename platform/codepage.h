// Conversion between the core's wide strings and the platform's 8-bit code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::codepage {

// The number of the active code page: 1252 for Windows-1252, 65001 for UTF-8, and so on.
unsigned ActiveCodePage();

// Converts wide text to the active 8-bit code page; a character the code page
// cannot represent becomes '?' (U+FFFD in UTF-8, which holds all but lone surrogates).
std::string Encode(std::u16string_view text);

// Converts 8-bit text of the active code page to wide text; what is no text of the code
// page becomes U+FFFD in UTF-8 and '?' in the double-byte pages.
std::u16string Decode(std::string_view bytes);

// Text in the active code page, or nullopt when the code page does not hold every
// character of it (when it would not come back unchanged from Decode).
inline std::optional<std::string> EncodeExactly(std::u16string_view text) {
    std::string bytes = Encode(text);
    if (Decode(bytes) != text) return std::nullopt;
    return bytes;
}

// Whether the active code page holds every character of text.
inline bool CanEncode(std::u16string_view text) { return EncodeExactly(text).has_value(); }

}  // namespace platform::codepage
