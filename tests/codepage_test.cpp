// The 8-bit code page: Windows-1252 and UTF-8 as Windows maps them, and the other pages.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>

#include "code_page.h"

namespace codepage = platform::codepage;
using testing_support::InCodePage;

namespace {

std::string AllBytes() {
    std::string bytes;
    for (int code = 0; code < 256; ++code) bytes.push_back(static_cast<char>(code));
    return bytes;
}

const std::u16string kPolishName = u"\u0141ukasz \u017B\u00F3\u0142w";
const std::u16string kRussianCompany =
    u"\u0418\u0432\u0430\u043D \u0438 \u043F\u0430\u0440\u0442\u043D\u0451\u0440\u044B";

using Windows1252 = InCodePage<1252>;
using Utf8 = InCodePage<65001>;
using CentralEuropean = InCodePage<1250>;
using Cyrillic = InCodePage<1251>;
using Japanese = InCodePage<932>;

}  // namespace

TEST_F(Windows1252, EveryByteMapsToOneCharacterAndBack) {
    const std::string bytes = AllBytes();
    const std::u16string text = codepage::Decode(bytes);
    ASSERT_EQ(text.size(), 256u);
    EXPECT_EQ(codepage::Encode(text), bytes);
    for (std::size_t i = 0; i < text.size(); ++i) {
        for (std::size_t j = i + 1; j < text.size(); ++j) ASSERT_NE(text[i], text[j]) << i << j;
    }
}

TEST_F(Windows1252, UndefinedCodesMapToControlCharactersAsOnWindows) {
    EXPECT_EQ(codepage::Decode("\x81\x8D\x8F\x90\x9D"), u"\u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(codepage::Encode(u"\u0081\u008D\u008F\u0090\u009D"), "\x81\x8D\x8F\x90\x9D");
}

TEST_F(Windows1252, CharactersOutsideThePageBecomeQuestionMarks) {
    EXPECT_EQ(codepage::Encode(u"\u20AC \u0100\u4E2D"), "\x80 ??");
    // Beyond the basic plane each half of the pair is a '?', as Windows converts it.
    EXPECT_EQ(codepage::Encode(u"a\U0001F600b"), "a??b");
    // A lone surrogate is no character of the page either.
    EXPECT_EQ(codepage::Encode(std::u16string(1, char16_t{0xD800})), "?");
    EXPECT_EQ(codepage::Encode(kPolishName), "?ukasz ?\xF3?w");
    EXPECT_FALSE(codepage::CanEncode(kPolishName));
    EXPECT_TRUE(codepage::CanEncode(u"Fran\u00E7ois M\u00FCller \u20AC"));
}

TEST_F(Windows1252, NulCharactersCrossUnchanged) {
    const std::u16string text(u"a\0b", 3);
    EXPECT_EQ(codepage::Encode(text), std::string("a\0b", 3));
    EXPECT_EQ(codepage::Decode(std::string("a\0b", 3)), text);
}

TEST_F(Utf8, EveryCharacterCrossesBothWays) {
    EXPECT_EQ(codepage::Encode(kPolishName), "\xC5\x81ukasz \xC5\xBB\xC3\xB3\xC5\x82w");
    EXPECT_EQ(codepage::Decode("\xC5\x81ukasz \xC5\xBB\xC3\xB3\xC5\x82w"), kPolishName);
    EXPECT_EQ(codepage::Decode(codepage::Encode(kRussianCompany)), kRussianCompany);
    EXPECT_EQ(codepage::Encode(u"\u20AC\u4E2D"), "\xE2\x82\xAC\xE4\xB8\xAD");
    // A pair is one character of four bytes, not two question marks.
    EXPECT_EQ(codepage::Encode(u"a\U0001F600b"),
              "a\xF0\x9F\x98\x80"
              "b");
    EXPECT_EQ(codepage::Decode("a\xF0\x9F\x98\x80"
                               "b"),
              u"a\U0001F600b");
    EXPECT_TRUE(codepage::CanEncode(kPolishName));
    EXPECT_TRUE(codepage::CanEncode(kRussianCompany));
    EXPECT_EQ(codepage::ActiveCodePage(), 65001u);
}

TEST_F(Utf8, LoneSurrogatesAreWrittenAsReplacementCharacters) {
    EXPECT_EQ(codepage::Encode(std::u16string(u"a\xD800"
                                              u"b")),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(codepage::Encode(std::u16string(1, char16_t{0xDC00})), "\xEF\xBF\xBD");
    // A low half before a high one is two lone halves.
    EXPECT_EQ(codepage::Encode(std::u16string(u"\xDC00\xD800")), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_FALSE(codepage::CanEncode(std::u16string(u"x\xD800")));
}

TEST_F(Utf8, EachMaximalInvalidPartReadsAsOneReplacement) {
    EXPECT_EQ(codepage::Decode("a\x80"
                               "b"),
              u"a\uFFFDb");
    // A sequence cut short: one replacement, and the byte that cut it counts on its own.
    EXPECT_EQ(codepage::Decode("\xE2\x82"
                               "A"),
              u"\uFFFDA");
    EXPECT_EQ(codepage::Decode("\xE2\x82"), u"\uFFFD");
    // Overlong forms, encoded surrogates and code points past U+10FFFF are no text.
    EXPECT_EQ(codepage::Decode("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_EQ(codepage::Decode("\xE0\x80\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(codepage::Decode("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(codepage::Decode("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(codepage::Decode("\xFF\xFE"), u"\uFFFD\uFFFD");
}

TEST_F(Utf8, NulCharactersCrossUnchanged) {
    const std::u16string text(u"\u0141\0b", 3);
    EXPECT_EQ(codepage::Encode(text), std::string("\xC5\x81\0b", 4));
    EXPECT_EQ(codepage::Decode(std::string("\xC5\x81\0b", 4)), text);
}

TEST_F(CentralEuropean, HoldsPolishAndNotCyrillic) {
    EXPECT_EQ(codepage::Encode(kPolishName), "\xA3ukasz \xAF\xF3\xB3w");
    EXPECT_EQ(codepage::Decode("\xA3ukasz \xAF\xF3\xB3w"), kPolishName);
    EXPECT_TRUE(codepage::CanEncode(kPolishName));
    EXPECT_FALSE(codepage::CanEncode(kRussianCompany));
    // Its undefined codes are the control characters of the same number, both ways.
    EXPECT_EQ(codepage::Decode("\x81\x83"), u"\u0081\u0083");
    EXPECT_EQ(codepage::Encode(u"\u0081\u0083"), "\x81\x83");
}

TEST_F(Cyrillic, HoldsRussianAndNotPolish) {
    EXPECT_EQ(codepage::Decode(codepage::Encode(kRussianCompany)), kRussianCompany);
    EXPECT_EQ(codepage::Encode(kRussianCompany).size(), kRussianCompany.size());
    EXPECT_EQ(codepage::Encode(u"\u0141\u00F3"), "??");
    EXPECT_EQ(codepage::Encode(u"a\U0001F600b"), "a??b");
}

TEST_F(Japanese, CharactersTakeOneOrTwoBytes) {
    EXPECT_EQ(codepage::Encode(u"A\u65E5\u672C"), "A\x93\xFA\x96\x7B");
    EXPECT_EQ(codepage::Decode("A\x93\xFA\x96\x7B"), u"A\u65E5\u672C");
    // The second byte of a pair can be a backslash; it is no separator there.
    EXPECT_EQ(codepage::Decode("\x95\x5C"), u"\u8868");
    EXPECT_EQ(codepage::Encode(u"\u0141"), "?");
    // A first byte without its second is no character.
    EXPECT_EQ(codepage::Decode("A\x93"), u"A?");
}

#ifndef _WIN32
// Off Windows the table is ours; the system's converter checks it where it defines a code.
#include <iconv.h>

#include <cstdlib>
#include <map>
#include <optional>

#include "platform/codepage_choice.h"

namespace {

// The system converter's view of one byte; nullopt-like empty result where it refuses it.
std::u16string ByIconv(char byte) {
    iconv_t cd = iconv_open("UTF-16LE", "CP1252");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    char in[1] = {byte};
    char out[8] = {};
    char* inp = in;
    char* outp = out;
    std::size_t inleft = 1, outleft = sizeof out;
    const std::size_t result = iconv(cd, &inp, &inleft, &outp, &outleft);
    iconv_close(cd);
    if (result == static_cast<std::size_t>(-1)) return {};
    return std::u16string(1, static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                                                   static_cast<unsigned char>(out[1]) << 8));
}

// Sets the variables the choice reads, and puts them back afterwards.
class Environment : public ::testing::Test {
protected:
    void Set(const char* name, const char* value) {
        if (!saved_.count(name)) {
            const char* old = std::getenv(name);
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    void Locale(const char* name) {
        Set("LC_ALL", name);
        Set("LC_CTYPE", nullptr);
        Set("LANG", nullptr);
    }
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

}  // namespace

TEST_F(Windows1252, AgreesWithTheSystemConverterWhereItDefinesTheCode) {
    int compared = 0;
    for (int code = 0; code < 256; ++code) {
        const std::u16string expected = ByIconv(static_cast<char>(code));
        if (expected.empty()) continue;
        EXPECT_EQ(codepage::Decode(std::string(1, static_cast<char>(code))), expected)
            << "code " << code;
        ++compared;
    }
    EXPECT_EQ(compared, 251);
}

TEST(CodePageChoice, ALocalesCharacterSetGivesWindowsPageForIt) {
    EXPECT_EQ(codepage::CodePageOfCharset("UTF-8"), 65001u);
    EXPECT_EQ(codepage::CodePageOfCharset("utf8"), 65001u);
    EXPECT_EQ(codepage::CodePageOfCharset("ANSI_X3.4-1968"), 1252u);
    EXPECT_EQ(codepage::CodePageOfCharset("ISO-8859-1"), 1252u);
    EXPECT_EQ(codepage::CodePageOfCharset("ISO-8859-2"), 1250u);
    EXPECT_EQ(codepage::CodePageOfCharset("KOI8-R"), 1251u);
    EXPECT_EQ(codepage::CodePageOfCharset("EUC-JP"), 932u);
    EXPECT_EQ(codepage::CodePageOfCharset("GB18030"), 936u);
    EXPECT_EQ(codepage::CodePageOfCharset("CP1257"), 1257u);
    EXPECT_EQ(codepage::CodePageOfCharset("WINDOWS-1253"), 1253u);
    EXPECT_EQ(codepage::CodePageOfCharset("ARMSCII-8"), 1252u);
}

TEST(CodePageChoice, OnlyPagesThatCanBeConvertedAreUsed) {
    for (unsigned page : {65001u, 1252u, 1250u, 1251u, 1257u, 874u, 932u, 936u, 949u, 950u}) {
        EXPECT_TRUE(codepage::Use(page)) << page;
        EXPECT_EQ(codepage::ActiveCodePage(), page);
    }
    for (unsigned page : {0u, 437u, 1200u, 65000u, 20127u}) {
        EXPECT_FALSE(codepage::Use(page)) << page;
        EXPECT_EQ(codepage::ActiveCodePage(), 950u);
    }
}

TEST_F(Environment, TheVariableNamesThePageBeforeTheLocale) {
    Locale("C.UTF-8");
    Set("VANTREL_CODEPAGE", "1251");
    EXPECT_EQ(codepage::ChooseFromEnvironment(), std::nullopt);
    EXPECT_EQ(codepage::ActiveCodePage(), 1251u);
    Set("VANTREL_CODEPAGE", "65001");
    EXPECT_EQ(codepage::ChooseFromEnvironment(), std::nullopt);
    EXPECT_EQ(codepage::ActiveCodePage(), 65001u);
}

TEST_F(Environment, WithoutTheVariableTheLocaleDecides) {
    Set("VANTREL_CODEPAGE", nullptr);
    Locale("C.UTF-8");
    EXPECT_EQ(codepage::ChooseFromEnvironment(), std::nullopt);
    EXPECT_EQ(codepage::ActiveCodePage(), 65001u);
    Locale("C");
    EXPECT_EQ(codepage::ChooseFromEnvironment(), std::nullopt);
    EXPECT_EQ(codepage::ActiveCodePage(), 1252u);
    Locale("POSIX");
    codepage::ChooseFromEnvironment();
    EXPECT_EQ(codepage::ActiveCodePage(), 1252u);
    // A locale this system has not installed still says which set it means.
    Locale("pl_PL.ISO-8859-2@euro");
    codepage::ChooseFromEnvironment();
    EXPECT_EQ(codepage::ActiveCodePage(), 1250u);
    Locale(nullptr);
    Set("LANG", "ru_RU.KOI8-R");
    codepage::ChooseFromEnvironment();
    EXPECT_EQ(codepage::ActiveCodePage(), 1251u);
}

TEST_F(Environment, AVariableThatNamesNoPageIsRefusedByName) {
    Locale("C");
    for (const char* value : {"utf8", "437", "1252x", "-1"}) {
        Set("VANTREL_CODEPAGE", value);
        const auto problem = codepage::ChooseFromEnvironment();
        ASSERT_TRUE(problem.has_value()) << value;
        EXPECT_EQ(*problem, "VANTREL_CODEPAGE is \"" + std::string(value) +
                                "\", which is no code page this program converts; it knows "
                                "65001 (UTF-8), 874, 932, 936, 949, 950 and 1250 to 1258.");
        // The locale's page is used meanwhile.
        EXPECT_EQ(codepage::ActiveCodePage(), 1252u);
    }
}
#endif
