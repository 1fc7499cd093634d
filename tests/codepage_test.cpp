// The 8-bit code page off Windows: Windows-1252 as Windows maps it.
#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace codepage = platform::codepage;

namespace {

std::string AllBytes() {
    std::string bytes;
    for (int code = 0; code < 256; ++code) bytes.push_back(static_cast<char>(code));
    return bytes;
}

}  // namespace

TEST(CodePage, EveryByteMapsToOneCharacterAndBack) {
    const std::string bytes = AllBytes();
    const std::u16string text = codepage::Decode(bytes);
    ASSERT_EQ(text.size(), 256u);
    EXPECT_EQ(codepage::Encode(text), bytes);
    for (std::size_t i = 0; i < text.size(); ++i) {
        for (std::size_t j = i + 1; j < text.size(); ++j) ASSERT_NE(text[i], text[j]) << i << j;
    }
}

TEST(CodePage, UndefinedCodesMapToControlCharactersAsOnWindows) {
    EXPECT_EQ(codepage::Decode("\x81\x8D\x8F\x90\x9D"), u"\u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(codepage::Encode(u"\u0081\u008D\u008F\u0090\u009D"), "\x81\x8D\x8F\x90\x9D");
}

TEST(CodePage, CharactersOutsideThePageBecomeQuestionMarks) {
    EXPECT_EQ(codepage::Encode(u"\u20AC \u0100\u4E2D"), "\x80 ??");
    // Beyond the basic plane each half of the pair is a '?', as Windows converts it.
    EXPECT_EQ(codepage::Encode(u"a\U0001F600b"), "a??b");
    // A lone surrogate is no character of the page either.
    EXPECT_EQ(codepage::Encode(std::u16string(1, char16_t{0xD800})), "?");
}

TEST(CodePage, NulCharactersCrossUnchanged) {
    const std::u16string text(u"a\0b", 3);
    EXPECT_EQ(codepage::Encode(text), std::string("a\0b", 3));
    EXPECT_EQ(codepage::Decode(std::string("a\0b", 3)), text);
}

#ifndef _WIN32
// Off Windows the table is ours; the system's converter checks it where it defines a code.
#include <iconv.h>

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

}  // namespace

TEST(CodePage, AgreesWithTheSystemConverterWhereItDefinesTheCode) {
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
#endif
