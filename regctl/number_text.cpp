#include "regctl/number_text.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace regctl {

std::string ShortestText(double value) {
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    const std::string sign = std::signbit(value) ? "-" : "";
    if (value == 0) return sign + "0";
    // The fewest significant digits that read back as the number, in scientific form.
    char buffer[64];
    for (int precision = 0; precision < 17; ++precision) {
        std::snprintf(buffer, sizeof buffer, "%.*e", precision, value);
        if (std::strtod(buffer, nullptr) == value) break;
    }
    std::string digits;
    const char* at = buffer + (buffer[0] == '-' ? 1 : 0);
    for (; *at && *at != 'e'; ++at) {
        if (*at != '.') digits.push_back(*at);
    }
    const int exponent = std::atoi(at + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    const std::string magnitude = std::to_string(std::abs(exponent));
    std::string scientific = digits.substr(0, 1);
    if (digits.size() > 1) scientific += "." + digits.substr(1);
    scientific +=
        std::string(exponent < 0 ? "e-" : "e+") + (magnitude.size() < 2 ? "0" : "") + magnitude;

    std::string fixed;
    const auto count = static_cast<int>(digits.size());
    if (exponent < 0) {
        fixed = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    } else if (count <= exponent + 1) {
        // A whole number in fixed notation shows all its digits, as printf's %.0f does;
        // one longer than the scientific form is not written at all.
        if (exponent + 1 > static_cast<int>(scientific.size())) return sign + scientific;
        std::snprintf(buffer, sizeof buffer, "%.0f", std::abs(value));
        fixed = buffer;
    } else {
        fixed = digits.substr(0, static_cast<std::size_t>(exponent + 1)) + "." +
                digits.substr(static_cast<std::size_t>(exponent + 1));
    }
    return sign + (fixed.size() <= scientific.size() ? fixed : scientific);
}

ParsedNumber ParseDecimalText(const std::string& text) {
    errno = 0;
    const double value = std::strtod(text.c_str(), nullptr);
    // A result the C runtime marks out of range is either infinite (overflow) or none
    // that the text means (underflow below the smallest number).
    if (errno == ERANGE && (std::isinf(value) || value == 0)) return {0, true};
    return {value, false};
}

}  // namespace regctl
