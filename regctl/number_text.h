// Real numbers as text and back, with the C runtime's own conversions: the C++ library's
// std::to_chars and std::from_chars for doubles carry some 150 KB of tables, a third of
// the Windows 98 program.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace regctl {

// The shortest decimal text that reads back as the same number, written as std::to_chars
// writes it: fixed or scientific notation, whichever is shorter, fixed on a tie.
std::string ShortestText(double value);

// How a decimal text ("-12.5e3": sign, digits, point, exponent, nothing else) reads.
struct ParsedNumber {
    double value = 0;
    bool outOfRange = false;  // too large or too small for a double
};
ParsedNumber ParseDecimalText(const std::string& text);

}  // namespace regctl
