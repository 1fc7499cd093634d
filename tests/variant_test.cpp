// The tagged value and its one set of conversions.
#include "regctl/variant.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "error_of.h"
#include "regctl/number_text.h"
#include "regctl/runtime_error.h"

using regctl::ErrorNumber;
using regctl::Variant;

using testing_support::ErrorOf;

TEST(VariantToNumber, ReadsDecimalTextWithSpacesAround) {
    EXPECT_EQ(ToNumber(Variant(u"  42  ")), 42);
    EXPECT_EQ(ToNumber(Variant(u"-1.5e3")), -1500);
    EXPECT_EQ(ToNumber(Variant(u"+3")), 3);
    EXPECT_EQ(ToNumber(Variant(u".5")), 0.5);
    EXPECT_EQ(ToNumber(Variant(u"5.")), 5);
    EXPECT_EQ(ToNumber(Variant(u"2E-2")), 0.02);
    EXPECT_EQ(ToNumber(Variant(u"1e-400")), 0);
}

TEST(VariantToNumber, ReadsHexAndOctalLiteralsAtTheirWidth) {
    EXPECT_EQ(ToNumber(Variant(u"&H10")), 16);
    EXPECT_EQ(ToNumber(Variant(u"&hff")), 255);
    EXPECT_EQ(ToNumber(Variant(u"&HFFFF")), -1);
    EXPECT_EQ(ToNumber(Variant(u"&H10000")), 65536);
    EXPECT_EQ(ToNumber(Variant(u"&HFFFFFFFF")), -1);
    EXPECT_EQ(ToNumber(Variant(u"&O17")), 15);
    EXPECT_EQ(ErrorOf([] { ToNumber(Variant(u"&H1FFFFFFFF")); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([] { ToNumber(Variant(u"&O8")); }), ErrorNumber::TypeMismatch);
}

TEST(VariantToNumber, EmptyIsZeroButBlankTextIsNoNumber) {
    EXPECT_EQ(ToNumber(Variant()), 0);
    for (const char16_t* text : {u"", u"   ", u"abc", u"1e", u"1 2", u"--1", u"e5", u".", u"0x10",
                                 u"inf", u"nan", u"\t1"}) {
        EXPECT_EQ(ErrorOf([&] { ToNumber(Variant(text)); }), ErrorNumber::TypeMismatch)
            << std::string(text, text + std::char_traits<char16_t>::length(text));
    }
    EXPECT_EQ(ErrorOf([] { ToNumber(Variant(u"1e400")); }), ErrorNumber::Overflow);
}

TEST(VariantToInteger, RoundsHalfToEven) {
    EXPECT_EQ(ToInt32(Variant(2.5)), 2);
    EXPECT_EQ(ToInt32(Variant(3.5)), 4);
    EXPECT_EQ(ToInt32(Variant(-2.5)), -2);
    EXPECT_EQ(ToInt32(Variant(2.6)), 3);
    EXPECT_EQ(ToInt32(Variant(u" 12 ")), 12);
    EXPECT_EQ(ToInt16(Variant(std::int32_t{-32768})), -32768);
}

TEST(VariantToInteger, OutOfRangeIsOverflow) {
    EXPECT_EQ(ToInt32(Variant(2147483647.4)), 2147483647);
    EXPECT_EQ(ErrorOf([] { ToInt32(Variant(2147483647.5)); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([] { ToInt32(Variant(-2147483649.0)); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([] { ToInt16(Variant(std::int32_t{32768})); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([] { ToInt32(Variant(std::numeric_limits<double>::quiet_NaN())); }),
              ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([] { ToInt16(Variant(u"x")); }), ErrorNumber::TypeMismatch);
}

TEST(VariantToText, WritesEachKind) {
    EXPECT_EQ(ToText(Variant()), u"");
    EXPECT_EQ(ToText(Variant(std::int32_t{-1})), u"-1");
    EXPECT_EQ(ToText(Variant(std::int32_t{1998})), u"1998");
    EXPECT_EQ(ToText(Variant(std::int16_t{-32768})), u"-32768");
    EXPECT_EQ(ToText(Variant(2.5)), u"2.5");
    EXPECT_EQ(ToText(Variant(0.1)), u"0.1");
    EXPECT_EQ(ToText(Variant(std::u16string(u"a\0b", 3))), std::u16string(u"a\0b", 3));
}

TEST(VariantToText, RealNumbersReadBackAsTheSameNumber) {
    for (double number : {1.0 / 3, -2.0e-300, 1e21, 123456789.125, 5e-324}) {
        EXPECT_EQ(ToNumber(Variant(ToText(Variant(number)))), number);
    }
}

TEST(VariantEquality, MeansSameKindAndSameValue) {
    EXPECT_EQ(Variant(u"42"), Variant(u"42"));
    EXPECT_NE(Variant(u"42"), Variant(std::int32_t{42}));
    EXPECT_NE(Variant(std::int16_t{0}), Variant(std::int32_t{0}));
    EXPECT_NE(Variant(u""), Variant());
    EXPECT_NE(Variant(std::int32_t{0}), Variant());
}

// The shortest text is the one the C++ library writes, for numbers of every size.
TEST(VariantToText, RealNumbersReadAsTheLibrarysShortestText) {
    std::mt19937_64 random(1998);
    std::vector<double> numbers{0.1,  100,      1e15,     1e16,   123456789012345678.0,   1e21,
                                1e-5, 1e-4,     0.000123, 5e-324, 1.7976931348623157e308, 2.5,
                                -0.0, 1234.5e10};
    for (int i = 0; i < 20000; ++i) {
        std::uint64_t bits = random();
        double number = 0;
        std::memcpy(&number, &bits, sizeof number);
        if (std::isfinite(number)) numbers.push_back(number);
        numbers.push_back(static_cast<double>(random() % 100000) / 1000.0);
    }
    for (const double number : numbers) {
        char expected[64];
        const auto end = std::to_chars(expected, expected + sizeof expected, number).ptr;
        ASSERT_EQ(regctl::ShortestText(number), std::string(expected, end)) << number;
    }
}
