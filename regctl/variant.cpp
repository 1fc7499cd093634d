#include "regctl/variant.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

#include "regctl/number_text.h"
#include "regctl/runtime_error.h"

namespace regctl {
namespace {

[[noreturn]] void Raise(ErrorNumber number) { throw RuntimeError(number); }

std::u16string_view TrimSpaces(std::u16string_view text) {
    const auto first = text.find_first_not_of(u' ');
    if (first == std::u16string_view::npos) return {};
    const auto last = text.find_last_not_of(u' ');
    return text.substr(first, last - first + 1);
}

bool IsDigit(char16_t c, int base) {
    if (base == 8) return c >= u'0' && c <= u'7';
    if (base == 16)
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    return c >= u'0' && c <= u'9';
}

// "&H" and "&O" literals take the width of the smallest integer that holds their digits,
// so "&HFFFF" is -1 as a 16-bit integer and "&HFFFFFFFF" -1 as a 32-bit one.
std::optional<double> ParseRadixLiteral(std::u16string_view text) {
    if (text.size() < 3 || text[0] != u'&') return std::nullopt;
    const char16_t prefix = text[1];
    const int base = (prefix == u'H' || prefix == u'h')   ? 16
                     : (prefix == u'O' || prefix == u'o') ? 8
                                                          : 0;
    if (base == 0) return std::nullopt;
    std::uint64_t value = 0;
    for (const char16_t c : text.substr(2)) {
        if (!IsDigit(c, base)) return std::nullopt;
        const int digit = c <= u'9' ? c - u'0' : (c | 0x20) - u'a' + 10;
        value = value * base + digit;
        if (value > 0xFFFFFFFFu) Raise(ErrorNumber::Overflow);
    }
    if (value <= 0xFFFF) return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Decimal numbers: optional sign, digits with an optional decimal point, optional exponent.
std::optional<double> ParseDecimal(std::u16string_view text) {
    std::string ascii;
    std::size_t i = 0;
    auto take_digits = [&] {
        const std::size_t start = ascii.size();
        while (i < text.size() && IsDigit(text[i], 10))
            ascii.push_back(static_cast<char>(text[i++]));
        return std::string_view(ascii).substr(start);
    };
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') ascii.push_back('-');
        ++i;
    }
    const std::string whole(take_digits());
    std::string fraction;
    if (i < text.size() && text[i] == u'.') {
        ascii.push_back('.');
        ++i;
        fraction = take_digits();
    }
    if (whole.empty() && fraction.empty()) return std::nullopt;
    long exponent = 0;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ascii.push_back('e');
        ++i;
        bool negative = false;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
            negative = text[i] == u'-';
            ascii.push_back(static_cast<char>(text[i++]));
        }
        const std::string_view digits = take_digits();
        if (digits.empty()) return std::nullopt;
        for (const char d : digits) exponent = std::min(exponent * 10 + (d - '0'), 100000L);
        if (negative) exponent = -exponent;
    }
    if (i != text.size()) return std::nullopt;

    const ParsedNumber parsed = ParseDecimalText(ascii);
    if (parsed.outOfRange) {
        // Out of range either way: the decimal magnitude tells overflow from underflow.
        const auto significant = whole.find_first_not_of('0');
        const long magnitude = significant != std::string::npos
                                   ? static_cast<long>(whole.size() - significant) + exponent
                                   : exponent - static_cast<long>(fraction.find_first_not_of('0'));
        if (magnitude > 0) Raise(ErrorNumber::Overflow);
        return 0.0;
    }
    return parsed.value;
}

double RoundHalfEven(double x) {
    const double below = std::floor(x);
    const double fraction = x - below;
    if (fraction > 0.5) return below + 1;
    if (fraction < 0.5) return below;
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

template <typename Int>
Int RoundInto(const Variant& value) {
    const double rounded = RoundHalfEven(ToNumber(value));
    if (!std::isfinite(rounded) || rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
        Raise(ErrorNumber::Overflow);
    }
    return static_cast<Int>(rounded);
}

std::u16string Widen(std::string_view ascii) { return {ascii.begin(), ascii.end()}; }

}  // namespace

double ToNumber(const Variant& value) {
    switch (value.kind()) {
        case Variant::Kind::Empty:
            return 0;
        case Variant::Kind::Int16:
            return std::get<std::int16_t>(value.value_);
        case Variant::Kind::Int32:
            return std::get<std::int32_t>(value.value_);
        case Variant::Kind::Double:
            return std::get<double>(value.value_);
        case Variant::Kind::String:
            break;
    }
    const std::u16string_view text = TrimSpaces(value.AsString());
    if (auto number = ParseRadixLiteral(text)) return *number;
    if (auto number = ParseDecimal(text)) return *number;
    Raise(ErrorNumber::TypeMismatch);
}

std::int16_t ToInt16(const Variant& value) { return RoundInto<std::int16_t>(value); }

std::int32_t ToInt32(const Variant& value) { return RoundInto<std::int32_t>(value); }

std::u16string ToText(const Variant& value) {
    switch (value.kind()) {
        case Variant::Kind::Empty:
            return {};
        case Variant::Kind::Int16:
            return Widen(std::to_string(std::get<std::int16_t>(value.value_)));
        case Variant::Kind::Int32:
            return Widen(std::to_string(std::get<std::int32_t>(value.value_)));
        case Variant::Kind::Double:
            return Widen(ShortestText(std::get<double>(value.value_)));
        case Variant::Kind::String:
            return value.AsString();
    }
    return {};
}

}  // namespace regctl
