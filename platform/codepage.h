// Conversion between the core's wide strings and the platform's 8-bit code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::codepage {

// Converts wide text to the active 8-bit code page; a character the code page
// cannot represent becomes '?'.
std::string Encode(std::u16string_view text);

// Converts 8-bit text of the active code page to wide text; every byte maps to one character.
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
