// Reading and writing .reg files: both versions, every value form, and the errors a file
// can hold, each named by its line.
#include "tools/regtool/reg_file.h"

#include <gtest/gtest.h>

#include "code_page.h"
#include "platform/codepage.h"
#include "tools/regtool/utf8_text.h"

using namespace regtool;

namespace {

std::string Utf16File(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

RegFile Parsed(const std::string& bytes) {
    auto result = ParseRegFile(bytes);
    if (const auto* error = std::get_if<RegFileError>(&result)) {
        ADD_FAILURE() << "line " << error->line << ": " << error->message;
        return {};
    }
    return std::get<RegFile>(result);
}

RegFileError ErrorOf(const std::string& bytes) {
    auto result = ParseRegFile(bytes);
    if (const auto* error = std::get_if<RegFileError>(&result)) return *error;
    ADD_FAILURE() << "the file was accepted";
    return {};
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

}  // namespace

TEST(RegFileRead, AVersion5FileAsWindowsWritesIt) {
    const RegFile file =
        Parsed(Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n"
                         u"; a comment\r\n"
                         u"[HKEY_CURRENT_USER\\Software\\Demo]\r\n"
                         u"@=\"default\"\r\n"
                         u"\"Quote\"=\"say \\\"hi\\\" to C:\\\\dir\"\r\n"
                         u"\"Count\"=dword:0000001f\r\n"
                         u"\"Blob\"=hex:00,01,\\\r\n"
                         u"  ff\r\n"
                         u"\"Path\"=hex(2):25,00,50,00,00,00\r\n"
                         u"\"Gone\"=-\r\n"
                         u"\r\n"
                         u"[-HKEY_CURRENT_USER\\Software\\Old]\r\n"));
    EXPECT_EQ(file.version, 5);
    ASSERT_EQ(file.keys.size(), 2u);
    const RegFileKey& demo = file.keys[0];
    EXPECT_EQ(demo.key.Full(), u"HKEY_CURRENT_USER\\Software\\Demo");
    ASSERT_EQ(demo.values.size(), 6u);
    EXPECT_EQ(demo.values[0].value, (RegValue{u"", platform::kRegSz, StringData(u"default")}));
    EXPECT_EQ(TextOf(demo.values[1].value.data), u"say \"hi\" to C:\\dir");
    EXPECT_EQ(demo.values[2].value,
              (RegValue{u"Count", platform::kRegDword, Bytes({0x1f, 0, 0, 0})}));
    EXPECT_EQ(demo.values[3].value, (RegValue{u"Blob", platform::kRegBinary, Bytes({0, 1, 0xff})}));
    EXPECT_EQ(demo.values[4].value.type, platform::kRegExpandSz);
    EXPECT_EQ(demo.values[4].value.data, Bytes({0x25, 0, 0x50, 0, 0, 0}));
    EXPECT_TRUE(demo.values[5].remove);
    EXPECT_EQ(demo.values[5].line, 11);
    EXPECT_TRUE(file.keys[1].remove);
    EXPECT_EQ(file.keys[1].key.path, u"Software\\Old");
}

// In UTF-16 only the unit U+000A ends a line: a byte 0x0A is also half of other characters,
// first (U+010A) or second (U+0A00), and the last line may end without a line break.
TEST(RegFileRead, AVersion5LineEndsOnlyAtALineFeedCharacter) {
    const RegFile file = Parsed(Utf16File(u"Windows Registry Editor Version 5.00\n"
                                          u"[HKEY_CURRENT_USER\\\u010A\u0A00\u0100\u0A0A]\n"
                                          u"\"\u0A0A\"=\"\u010A\u0A0D\"\r\n"
                                          u"\"Last\"=\"\u0A00\""));
    ASSERT_EQ(file.keys.size(), 1u);
    EXPECT_EQ(file.keys[0].key.path, u"\u010A\u0A00\u0100\u0A0A");
    ASSERT_EQ(file.keys[0].values.size(), 2u);
    EXPECT_EQ(file.keys[0].values[0].value.name, u"\u0A0A");
    EXPECT_EQ(TextOf(file.keys[0].values[0].value.data), u"\u010A\u0A0D");
    EXPECT_EQ(file.keys[0].values[1].line, 4);
    EXPECT_EQ(TextOf(file.keys[0].values[1].value.data), u"\u0A00");
}

TEST(RegFileRead, ARegedit4FileKeepsItsStringsInTheCodePage) {
    ASSUME_CODE_PAGE(1252);
    const RegFile file = Parsed(
        "REGEDIT4\r\n\r\n"
        "[HKLM\\Software\\Caf\xE9]\r\n"
        "\"Name\"=\"Ren\xE9\"\r\n"
        "\"Expand\"=hex(2):25,e9,00\r\n");
    EXPECT_EQ(file.version, 4);
    ASSERT_EQ(file.keys.size(), 1u);
    EXPECT_EQ(file.keys[0].key.Full(), u"HKEY_LOCAL_MACHINE\\Software\\Caf\u00E9");
    EXPECT_EQ(TextOf(file.keys[0].values[0].value.data), u"Ren\u00E9");
    // hex(2) data of REGEDIT4 is 8-bit text; the registry keeps it in UTF-16.
    EXPECT_EQ(file.keys[0].values[1].value.data, Bytes({0x25, 0, 0xe9, 0, 0, 0}));
}

TEST(RegFileRead, EveryErrorNamesItsLine) {
    const std::string v4 = "REGEDIT4\r\n\r\n";
    EXPECT_EQ(ErrorOf("Not a registry file\r\n").line, 1);
    EXPECT_EQ(ErrorOf(v4 + "\"orphan\"=\"x\"\r\n").line, 3);
    EXPECT_EQ(ErrorOf(v4 + "[HKEY_NOWHERE\\x]\r\n").message, "unknown root key");
    EXPECT_EQ(ErrorOf(v4 + "[HKCU\\x\r\n").line, 3);
    const std::string key = v4 + "[HKCU\\x]\r\n";
    EXPECT_EQ(ErrorOf(key + "\"a\"=\"unterminated\r\n").line, 4);
    EXPECT_EQ(ErrorOf(key + "\"a\"=dword:123456789\r\n").line, 4);
    EXPECT_EQ(ErrorOf(key + "\"a\"=dword:xyz\r\n").line, 4);
    EXPECT_EQ(ErrorOf(key + "\"a\"=hex:0g\r\n").line, 4);
    EXPECT_EQ(ErrorOf(key + "\"a\"=hex:01 02\r\n").line, 4);
    EXPECT_EQ(ErrorOf(key + "\"a\"=hex(zz):01\r\n").line, 4);
    EXPECT_EQ(ErrorOf(key + "\"ok\"=\"1\"\r\n\"a\"=hex:01,\\\r\n").line, 5);
    EXPECT_EQ(ErrorOf(key + "\"a\" \"b\"\r\n").line, 4);
    EXPECT_EQ(ErrorOf(key + "garbage\r\n").line, 4);
    EXPECT_EQ(ErrorOf(key + "\"a\"=\"x\" trailing\r\n").line, 4);
    EXPECT_EQ(ErrorOf(v4 + "[-HKCU\\x]\r\n\"a\"=\"x\"\r\n").line, 4);
}

// What a reader hands on, in the file's order, each change by itself.
class Recorder final : public RegFileSink {
public:
    explicit Recorder(std::size_t stopAfter = SIZE_MAX) : stopAfter_(stopAfter) {}
    bool Key(const RegFileKey& key) override {
        seen.push_back((key.remove ? u"-" : u"") + key.key.Full());
        return seen.size() < stopAfter_;
    }
    bool Value(const RegFileValue& value) override {
        values.push_back(value);
        seen.push_back(u"  " + value.value.name);
        return seen.size() < stopAfter_;
    }
    std::vector<std::u16string> seen;
    std::vector<RegFileValue> values;

private:
    std::size_t stopAfter_;
};

TEST(RegFileRead, ChangesArriveOneByOneInTheFilesOrderUntilTheSinkStops) {
    const std::string file = Utf16File(
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\A]\r\n"
        u"\"Long\"=hex:01,02,03,\\\r\n  04,05\r\n@=-\r\n\"Short\"=dword:00000007\r\n"
        u"[-HKEY_CURRENT_USER\\B]\r\n[HKEY_CURRENT_USER\\C]\r\n\"Text\"=\"t\"\r\n");
    Recorder all;
    int version = 0;
    EXPECT_FALSE(ReadRegFile(file, EightBitText::kCodePage, all, &version));
    EXPECT_EQ(version, 5);
    EXPECT_EQ(all.seen, (std::vector<std::u16string>{u"HKEY_CURRENT_USER\\A", u"  Long", u"  ",
                                                     u"  Short", u"-HKEY_CURRENT_USER\\B",
                                                     u"HKEY_CURRENT_USER\\C", u"  Text"}));
    ASSERT_EQ(all.values.size(), 4u);
    EXPECT_EQ(all.values[0].value.data, Bytes({1, 2, 3, 4, 5}));
    // Nothing of a value read before stays with the next.
    EXPECT_TRUE(all.values[1].remove);
    EXPECT_TRUE(all.values[1].value.data.empty());
    EXPECT_EQ(all.values[1].value.type, platform::kRegSz);
    EXPECT_EQ(all.values[2].value.data, Bytes({7, 0, 0, 0}));
    EXPECT_EQ(all.values[2].line, 7);
    EXPECT_EQ(all.values[3].value.data, StringData(u"t"));
    EXPECT_FALSE(all.values[3].remove);

    Recorder stopping(3);
    EXPECT_FALSE(ReadRegFile(file + Utf16File(u"garbage").substr(2), EightBitText::kCodePage, stopping))
        << "a reading the sink stopped reports no fault past it";
    EXPECT_EQ(stopping.seen.size(), 3u);
    Recorder faulty;
    const auto fault =
        ReadRegFile(file + Utf16File(u"garbage\r\n").substr(2), EightBitText::kCodePage, faulty);
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->line, 11);
    EXPECT_EQ(faulty.seen.size(), 7u) << "every change before the fault was handed on";
}

TEST(RegFileWrite, WritesVersion5InUtf16WithLongHexContinued) {
    std::vector<std::uint8_t> blob(40, 0xAB);
    const std::string bytes =
        WriteRegFile({{u"HKEY_CURRENT_USER\\Software\\Demo",
                       {{u"", platform::kRegSz, StringData(u"d")},
                        {u"Back\\slash \"q\"", platform::kRegSz, StringData(u"C:\\")},
                        {u"N", platform::kRegDword, {1, 2, 3, 4}},
                        {u"B", platform::kRegBinary, blob},
                        {u"NoNul", platform::kRegSz, {'a', 0}}}}},
                     5);
    ASSERT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    std::u16string text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    EXPECT_EQ(text.substr(0, 40), u"Windows Registry Editor Version 5.00\r\n\r\n");
    EXPECT_NE(text.find(u"@=\"d\"\r\n"), std::u16string::npos);
    EXPECT_NE(text.find(u"\"Back\\\\slash \\\"q\\\"\"=\"C:\\\\\"\r\n"), std::u16string::npos);
    EXPECT_NE(text.find(u"\"N\"=dword:04030201\r\n"), std::u16string::npos);
    EXPECT_NE(text.find(u",\\\r\n  ab,"), std::u16string::npos);
    for (std::size_t start = 0, end; (end = text.find(u"\r\n", start)) != std::u16string::npos;
         start = end + 2) {
        EXPECT_LE(end - start, 80u);
    }
    // A string without its NUL cannot be written as text and reads back the same as hex(1).
    EXPECT_NE(text.find(u"\"NoNul\"=hex(1):61"), std::u16string::npos);
    const RegFile again = Parsed(bytes);
    ASSERT_EQ(again.keys.size(), 1u);
    EXPECT_EQ(again.keys[0].values[3].value.data, blob);
    EXPECT_EQ(again.keys[0].values[4].value, (RegValue{u"NoNul", platform::kRegSz, {'a', 0}}));
}

TEST(RegFileRead, AQwordIsHexOfTypeB) {
    const RegFile file = Parsed(
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\Q]\r\n\"Q\"=hex(b):ff,ff,ff,ff,ff,ff,ff,7f\r\n");
    ASSERT_EQ(file.keys.size(), 1u);
    EXPECT_EQ(file.keys[0].values[0].value.type, kRegQword);
    EXPECT_EQ(file.keys[0].values[0].value.data, QwordData(0x7fffffffffffffffULL));
    EXPECT_EQ(QueryText(file.keys[0].values[0].value), u"0x7fffffffffffffff");
    // It is written back the same way.
    const std::string written = WriteRegFile({{u"HKEY_CURRENT_USER\\Q", {file.keys[0].values[0].value}}}, 4);
    EXPECT_NE(written.find("\"Q\"=hex(b):ff,ff,ff,ff,ff,ff,ff,7f\r\n"), std::string::npos);
}

TEST(RegFileRead, AUtf8ByteOrderMarkIsReadAsUtf8InBothVersions) {
    const RegFile five = Parsed(
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\K]\r\n"
        "\"\xD0\x98\xD0\xBC\xD1\x8F\"=\"\xC3\xA9\"\r\n");
    EXPECT_EQ(five.version, 5);
    ASSERT_EQ(five.keys.size(), 1u);
    EXPECT_EQ(five.keys[0].values[0].value.name, u"\u0418\u043C\u044F");
    EXPECT_EQ(five.keys[0].values[0].value.data, StringData(u"\u00E9"));
    const RegFile four = Parsed("\xEF\xBB\xBFREGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n@=\"\xE2\x82\xAC\"\r\n");
    EXPECT_EQ(four.version, 4);
    EXPECT_EQ(four.keys[0].values[0].value.data, StringData(u"\u20AC"));
}

TEST(RegFileRead, Regedit4BytesThatAreUtf8AreFoundWithTheirLine) {
    const std::string utf8 = "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"A\"=\"x\"\r\n\"B\"=\"\xC3\xA9t\xC3\xA9\"\r\n";
    if (testing_support::UseCodePage(65001)) {
        EXPECT_FALSE(Utf8InEightBitFile(utf8)) << "a UTF-8 code page reads it the same";
    }
    ASSUME_CODE_PAGE(1252);
    const auto found = Utf8InEightBitFile(utf8);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->line, 4);
    EXPECT_EQ(found->asUtf8, u"\"B\"=\"\u00E9t\u00E9\"");
    EXPECT_EQ(found->asCodePage, u"\"B\"=\"\u00C3\u00A9t\u00C3\u00A9\"");
    // Plain ASCII, bytes that are no UTF-8, and UTF-16 are nothing to ask about.
    EXPECT_FALSE(Utf8InEightBitFile("REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"A\"=\"x\"\r\n"));
    EXPECT_FALSE(Utf8InEightBitFile("REGEDIT4\r\n\"A\"=\"Ren\xE9\"\r\n"));
    EXPECT_FALSE(Utf8InEightBitFile(utf8 + "\"C\"=\"Ren\xE9\"\r\n"))
        << "a line further on that is no UTF-8 makes the file the code page's";
    EXPECT_FALSE(Utf8InEightBitFile(Utf16File(u"Windows Registry Editor Version 5.00\r\n\u00E9")));
    // Read as UTF-8 when asked, and hex string data with it.
    const auto asked = ParseRegFile(
        "REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"B\"=\"\xC3\xA9\"\r\n\"H\"=hex(2):c3,a9,00\r\n",
        EightBitText::kUtf8);
    ASSERT_TRUE(std::holds_alternative<RegFile>(asked));
    const auto& values = std::get<RegFile>(asked).keys[0].values;
    EXPECT_EQ(values[0].value.data, StringData(u"\u00E9"));
    EXPECT_EQ(values[1].value.data, StringData(u"\u00E9"));
}

TEST(Utf8Text, OnlyWellFormedUtf8IsText) {
    EXPECT_EQ(DecodeUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9D\x84\x9E"), u"a\u00E9\u20AC\U0001D11E");
    struct Bad {
        std::string bytes;
        std::size_t at;
    };
    const Bad bad[] = {
        {"ab\x80", 2},             // a continuation without a lead
        {"\xC0\xAF", 0},           // an overlong slash
        {"x\xE0\x80\xAF", 1},      // an overlong in three bytes
        {"\xED\xA0\x80", 0},       // a surrogate
        {"\xF4\x90\x80\x80", 0},   // past U+10FFFF
        {"ok\xE2\x82", 2},         // cut short
        {"\xC3\x28", 0},           // a lead followed by no continuation
    };
    for (const Bad& b : bad) {
        std::size_t at = 99;
        EXPECT_FALSE(DecodeUtf8(b.bytes, &at)) << b.bytes;
        EXPECT_EQ(at, b.at) << b.bytes;
    }
}
