// The tagged value: empty, a string, a 16- or 32-bit integer, or a real number.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace regctl {

// A value that knows its kind. Equality means the same kind and the same value.
class Variant {
public:
    enum class Kind { Empty, Int16, Int32, Double, String };

    Variant() = default;
    Variant(std::int16_t v) : value_(v) {}
    Variant(std::int32_t v) : value_(v) {}
    Variant(double v) : value_(v) {}
    Variant(std::u16string v) : value_(std::move(v)) {}
    Variant(const char16_t* v) : value_(std::u16string(v)) {}

    Kind kind() const noexcept { return static_cast<Kind>(value_.index()); }
    bool IsEmpty() const noexcept { return kind() == Kind::Empty; }
    bool IsString() const noexcept { return kind() == Kind::String; }

    // The stored string; only valid when IsString().
    const std::u16string& AsString() const { return std::get<std::u16string>(value_); }

    friend bool operator==(const Variant&, const Variant&) = default;

private:
    friend double ToNumber(const Variant&);
    friend std::u16string ToText(const Variant&);

    std::variant<std::monostate, std::int16_t, std::int32_t, double, std::u16string> value_;
};

// The value as a number. Empty is 0; a string must read as a decimal number (sign,
// decimal point and exponent allowed, spaces around it ignored) or an "&H"/"&O" literal,
// else type mismatch (13); a number too large for a double is overflow (6).
double ToNumber(const Variant& value);

// The value rounded half to even into 16 bits; type mismatch (13) or overflow (6).
std::int16_t ToInt16(const Variant& value);

// The value rounded half to even into 32 bits; type mismatch (13) or overflow (6).
std::int32_t ToInt32(const Variant& value);

// The value as text: a string as it is, an integer in decimal, a real number in the
// shortest form that reads back as the same number, empty as the empty string.
std::u16string ToText(const Variant& value);

}  // namespace regctl
