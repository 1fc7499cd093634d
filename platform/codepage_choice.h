// Off Windows: which code page is active. Windows takes it from the user's locale; so do
// we, once at start, unless VANTREL_CODEPAGE names one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::codepage {

// The Windows code page for a locale's character set as nl_langinfo(CODESET) names it
// ("UTF-8" gives 65001, "ISO-8859-2" 1250); 1252 for ASCII and for a set Windows has
// no code page for.
unsigned CodePageOfCharset(std::string_view charset);

// Whether this program converts codePage: 65001, 1252, and 874, 932, 936, 949, 950 and
// 1250 to 1258 where the C library's converter has them.
bool Supported(unsigned codePage);

// Makes codePage the active code page; false, changing nothing, when it is not supported.
bool Use(unsigned codePage);

// Makes active the code page that VANTREL_CODEPAGE names, else the locale's. A variable
// that names no supported page is not used, and the message says what is wrong with it.
std::optional<std::string> ChooseFromEnvironment();

}  // namespace platform::codepage
