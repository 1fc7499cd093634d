// UTF-8, as POSIX systems name files and hosts, to and from UTF-16.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::posix {

// Bytes that are no UTF-8 are skipped.
std::u16string Utf8ToUtf16(std::string_view text);

// nullopt when the text is not valid UTF-8.
std::optional<std::u16string> StrictUtf8ToUtf16(std::string_view text);

// Unpaired surrogates are skipped.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace platform::posix
