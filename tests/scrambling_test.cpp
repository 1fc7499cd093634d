// Scrambling and unscrambling of string values.
#include <gtest/gtest.h>

#include <random>

#include "code_page.h"
#include "error_of.h"
#include "failing_registry.h"
#include "native_platform.h"
#include "platform/codepage.h"
#include "recording_site.h"
#include "regctl/tav_registry.h"

using regctl::ErrorNumber;
using regctl::TavRegistry;
using testing_support::ErrorOf;

namespace {

// Codes are those of the active code page; the vectors below are Windows-1252's.
template <unsigned CodePage>
class ScramblingIn : public testing_support::InCodePage<CodePage> {
protected:
    testing_support::FailingRegistry registry;
    testing_support::RecordingSite site;
    TavRegistry control{platform::Platform{registry, testing_support::NativeSystem()}, site};

    std::u16string Run(std::int32_t encryption, std::int32_t key, const std::u16string& text) {
        control.Encryption(encryption);
        control.EncryptionKey(key);
        return control.EnDeCrypt(text);
    }
};

using Scrambling = ScramblingIn<1252>;
using ScramblingInUtf8 = ScramblingIn<65001>;

// The text whose characters have these codes in the code page.
std::u16string FromCodes(std::initializer_list<int> codes) {
    std::string bytes;
    for (int code : codes) bytes.push_back(static_cast<char>(code));
    return platform::codepage::Decode(bytes);
}

}  // namespace

TEST_F(Scrambling, SwitchedOffReturnsAnyTextUnchanged) {
    const std::u16string text = u"Owner \u4E2D\U0001F600\0x";
    EXPECT_EQ(Run(0, 12345, text), text);
    EXPECT_EQ(Run(0, -12, u"AB"), u"AB");
}

TEST_F(Scrambling, EmptyAndOneCharacterTextsAreUnchangedBothWays) {
    for (std::int32_t encryption : {1, 2}) {
        EXPECT_EQ(Run(encryption, 99, u""), u"");
        EXPECT_EQ(Run(encryption, 99, u"x"), u"x");
        EXPECT_EQ(Run(encryption, -12, u"A"), u"A");
    }
}

// Expected codes come from a separate Python transcription of the passes (1-based
// indices, explicit truncating remainder), run once by hand; this code was not consulted.
TEST_F(Scrambling, MatchesIndependentlyComputedVectors) {
    EXPECT_EQ(Run(1, 0, u"Hello, World"),
              FromCodes({51, 241, 47, 11, 126, 13, 250, 181, 67, 73, 12, 28}));
    EXPECT_EQ(Run(1, 12345, u"Test Owner"),
              FromCodes({135, 101, 117, 227, 1, 126, 37, 141, 33, 152}));
    EXPECT_EQ(Run(1, 7, u"ab"), FromCodes({33, 42}));  // only the first two steps act
    EXPECT_EQ(Run(1, -3, u"abc"), FromCodes({152, 167, 110}));
    EXPECT_EQ(Run(1, 2147483647, u"Registered"),
              FromCodes({237, 252, 3, 102, 159, 24, 138, 20, 157, 89}));
}

TEST_F(Scrambling, CodesAreThoseOfTheCodePage) {
    // 0x80 is the euro sign in the code page; the scrambled text is built from codes too.
    const std::u16string scrambled = Run(1, 5, u"\u20AC\u20AC");
    EXPECT_EQ(Run(2, 5, scrambled), u"\u20AC\u20AC");
}

TEST_F(Scrambling, AnyOtherSwitchValueScramblesLikeOne) {
    const std::u16string expected = Run(1, 4242, u"Registered Owner");
    for (std::int32_t encryption : {3, -1, 32767, -32768}) {
        EXPECT_EQ(Run(encryption, 4242, u"Registered Owner"), expected) << encryption;
    }
}

TEST_F(Scrambling, UnscramblingUndoesScramblingForManyTextsAndKeys) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> code(0, 255), length(0, 40);
    std::uniform_int_distribution<std::int32_t> key(-3, 2147483647);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(static_cast<std::size_t>(length(random)), '\0');
        for (char& b : bytes) b = static_cast<char>(code(random));
        const std::u16string text = platform::codepage::Decode(bytes);
        const std::int32_t k = round < 4 ? round - 3 : key(random);
        const std::u16string scrambled = Run(1, k, text);
        ASSERT_EQ(scrambled.size(), text.size());
        ASSERT_EQ(Run(2, k, scrambled), text) << "key " << k;
    }
}

TEST_F(Scrambling, KeyMinusTwelveFailsWhenACodeDropsBelowZero) {
    EXPECT_EQ(ErrorOf([&] { Run(1, -12, u"AB"); }), ErrorNumber::InvalidProcedureCall);
    EXPECT_EQ(ErrorOf([&] { Run(1, -12, u"Owner"); }), ErrorNumber::InvalidProcedureCall);
}

// In UTF-8 only the ASCII characters are one byte each: others are scrambled as '?', and
// a code from 128 up names no character alone, which fails as a code below 0 does.
TEST_F(ScramblingInUtf8, CodesFrom128UpNameNoCharacter) {
    EXPECT_EQ(ErrorOf([&] { Run(1, 0, u"Hello, World"); }), ErrorNumber::InvalidProcedureCall);
    EXPECT_EQ(Run(1, 0, u"\u0141"), u"?");
    EXPECT_EQ(Run(0, 0, u"\u0141ukasz"), u"\u0141ukasz");
}

TEST_F(ScramblingInUtf8, AsciiTextThatStaysBelow128ComesBack) {
    // Under key 116 every pass keeps the codes of "ab" and "?b" below 128 (computed by
    // hand from the passes): "ab" ends as 21, 28 and "?b" as 75, 28.
    const std::u16string scrambled = Run(1, 116, u"ab");
    EXPECT_EQ(scrambled, u"\x15\x1C");
    EXPECT_EQ(Run(2, 116, scrambled), u"ab");
    // A character of several bytes goes in as '?' and so comes back as '?'.
    const std::u16string mixed = Run(1, 116, u"\u00E9b");
    EXPECT_EQ(mixed, u"K\x1C");
    EXPECT_EQ(Run(2, 116, mixed), u"?b");
}
