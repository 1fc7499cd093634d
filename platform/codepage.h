// Conversion between the core's wide strings and the platform's 8-bit code page.
#pragma once

#include <string>
#include <string_view>

namespace platform::codepage {

// Converts wide text to the active 8-bit code page; a character the code page
// cannot represent becomes '?'.
std::string Encode(std::u16string_view text);

// Converts 8-bit text of the active code page to wide text; every byte maps to one character.
std::u16string Decode(std::string_view bytes);

// Whether the active code page holds every character of text, so that it comes back
// unchanged from Encode and Decode.
inline bool CanEncode(std::u16string_view text) { return Decode(Encode(text)) == text; }

}  // namespace platform::codepage
