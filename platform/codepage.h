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

}  // namespace platform::codepage
