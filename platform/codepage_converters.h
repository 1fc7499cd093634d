// The converters behind the active code page off Windows, one per kind of page.
#pragma once

#include <string>
#include <string_view>

namespace platform::codepage {

// Windows-1252 exactly as Windows maps it, the five undefined codes included.
std::string EncodeWindows1252(std::u16string_view text);
std::u16string DecodeWindows1252(std::string_view bytes);

// UTF-8 (65001) with Windows' rules: a lone surrogate is written as U+FFFD, and every
// maximal invalid part of the bytes reads as one U+FFFD.
std::string EncodeUtf8(std::u16string_view text);
std::u16string DecodeUtf8(std::string_view bytes);

// Any other supported page, through the C library's converter; what the page lacks
// becomes '?' one UTF-16 unit at a time, as Windows converts without best fit.
std::string EncodeByIconv(unsigned codePage, std::u16string_view text);
std::u16string DecodeByIconv(unsigned codePage, std::string_view bytes);

// Whether the C library converts codePage (874, 932, 936, 949, 950, 1250 to 1258).
bool IconvConverts(unsigned codePage);

}  // namespace platform::codepage
