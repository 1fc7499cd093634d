// The registry tool's commands against the test registry: output, refusals, and .reg
// round trips through export and import.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "code_page.h"
#include "platform/codepage.h"
#include "reg_tool_fixture.h"
#include "tools/regtool/reg_value.h"
#ifndef _WIN32
#include <pthread.h>
#endif

using namespace platform;
using regtool::RunRegCommand;

namespace {

using RegTool = testing_support::RegToolTest;

const std::u16string& kKey = testing_support::kToolKey;
const std::u16string& kFull = testing_support::kToolFull;

}  // namespace

TEST_F(RegTool, AddThenQueryShowsValuesAsRegDoes) {
    // Made in name order, which Wine's registry lists them in too.
    ASSERT_EQ(Run({u"add", kKey, u"/ve", u"/t", u"REG_BINARY", u"/d", u"00ff", u"/f"}), 0);
    EXPECT_EQ(env.out, u"The operation completed successfully.\n");
    ASSERT_EQ(Run({u"add", kKey, u"-v", u"Count", u"-t", u"reg_dword", u"-d", u"0x1F", u"-f"}), 0);
    ASSERT_EQ(Run({u"add", kKey, u"/v", u"Name", u"/d", u"Text", u"/f"}), 0);
    ASSERT_EQ(Run({u"add", kKey + u"\\Sub", u"/f"}), 0);
    ASSERT_EQ(Run({u"query", kKey}), 0);
    EXPECT_EQ(env.out, u"\n" + kFull +
                           u"\n"
                           u"    (Default)    REG_BINARY    00FF\n"
                           u"    Count    REG_DWORD    0x1f\n"
                           u"    Name    REG_SZ    Text\n"
                           u"\n" +
                           kFull + u"\\Sub\n");
    ASSERT_EQ(Run({u"query", kKey, u"/v", u"count"}), 0);
    EXPECT_EQ(env.out, u"\n" + kFull + u"\n    Count    REG_DWORD    0x1f\n\n");
}

TEST_F(RegTool, DwordDataMustFit32Bits) {
    EXPECT_EQ(Run({u"add", kKey, u"/v", u"N", u"/t", u"REG_DWORD", u"/d", u"4294967295", u"/f"}),
              0);
    EXPECT_EQ(Run({u"add", kKey, u"/v", u"N", u"/t", u"REG_DWORD", u"/d", u"-1", u"/f"}), 1);
    EXPECT_EQ(Run({u"add", kKey, u"/v", u"N", u"/t", u"REG_DWORD", u"/d", u"4294967296", u"/f"}),
              1);
    EXPECT_EQ(Run({u"add", kKey, u"/v", u"N", u"/t", u"REG_DWORD", u"/d", u"0x100000000", u"/f"}),
              1);
    EXPECT_EQ(env.err, u"ERROR: Invalid value for REG_DWORD: \"0x100000000\" is not a number "
                       u"from 0 to 4294967295, in decimal or in hex after 0x.\n");
    ASSERT_EQ(Run({u"query", kKey, u"/v", u"N"}), 0);
    EXPECT_NE(env.out.find(u"0xffffffff"), std::u16string::npos);
}

TEST_F(RegTool, MissingKeysAndValuesGetRegsMessage) {
    EXPECT_EQ(Run({u"query", kKey + u"\\Missing"}), 1);
    EXPECT_EQ(env.err,
              u"ERROR: The system was unable to find the specified registry key or value.\n");
    Run({u"add", kKey, u"/f"});
    EXPECT_EQ(Run({u"query", kKey, u"/v", u"None"}), 1);
    EXPECT_EQ(Run({u"delete", kKey, u"/v", u"None", u"/f"}), 1);
    EXPECT_EQ(Run({u"query", u"HKXX\\Software"}), 1);
    EXPECT_EQ(Run({u"frobnicate"}), 1);
    EXPECT_EQ(Run({u"query", kKey, u"/v"}), 1);
}

TEST_F(RegTool, OverwritingAndDeletingAskUnlessForced) {
    Run({u"add", kKey, u"/v", u"A", u"/d", u"old", u"/f"});
    answer = false;
    // A script must be able to tell that nothing was written.
    EXPECT_EQ(Run({u"add", kKey, u"/v", u"A", u"/d", u"new"}), 1);
    EXPECT_EQ(questions.back(), u"Value A exists, overwrite(Yes/No)? ");
    EXPECT_EQ(env.out, u"The operation was cancelled by the user. Nothing was changed.\n");
    Run({u"query", kKey, u"/v", u"A"});
    EXPECT_NE(env.out.find(u"old"), std::u16string::npos);
    answer = true;
    Run({u"add", kKey, u"/v", u"A", u"/d", u"new"});
    Run({u"query", kKey, u"/v", u"A"});
    EXPECT_NE(env.out.find(u"new"), std::u16string::npos);
    answer = false;
    EXPECT_EQ(Run({u"delete", kKey}), 1);
    EXPECT_EQ(Run({u"query", kKey}), 0);  // not deleted without a yes
}

TEST_F(RegTool, DeleteRemovesAValueAllValuesOrTheWholeTree) {
    Run({u"add", kKey, u"/v", u"A", u"/d", u"1", u"/f"});
    Run({u"add", kKey, u"/v", u"B", u"/d", u"2", u"/f"});
    Run({u"add", kKey, u"/ve", u"/d", u"d", u"/f"});
    Run({u"add", kKey + u"\\Deep\\Deeper", u"/v", u"C", u"/d", u"3", u"/f"});
    EXPECT_EQ(Run({u"delete", kKey, u"/ve", u"/f"}), 0);
    // As reg.exe has it, a key's unnamed value is there to show even when it is not set.
    EXPECT_EQ(Run({u"query", kKey, u"/ve"}), 0);
    EXPECT_EQ(env.out, u"\n" + kFull + u"\n    (Default)    REG_SZ    (value not set)\n");
    EXPECT_EQ(Run({u"delete", kKey, u"/v", u"A", u"/f"}), 0);
    EXPECT_EQ(Run({u"query", kKey, u"/v", u"B"}), 0);
    EXPECT_EQ(Run({u"delete", kKey, u"/va", u"/f"}), 0);
    EXPECT_EQ(Run({u"query", kKey, u"/v", u"B"}), 1);
    EXPECT_EQ(Run({u"query", kKey + u"\\Deep\\Deeper", u"/v", u"C"}), 0);
    EXPECT_EQ(Run({u"delete", kKey, u"/f"}), 0);
    EXPECT_EQ(Run({u"query", kKey}), 1);
}

TEST_F(RegTool, ExportImportExportGivesTheSameFileForEveryType) {
    ASSUME_CODE_PAGE(1252);
    const std::u16string awkward = u"Quote\" back\\slash =\u00C4\u03A3\u4E2D";
    Run({u"add", kKey, u"/ve", u"/d", u"default", u"/f"});
    Run({u"add", kKey, u"/v", awkward, u"/d", u"v\u00E9 \"x\" \\y", u"/f"});
    Run({u"add", kKey, u"/v", u"Expand", u"/t", u"REG_EXPAND_SZ", u"/d", u"%TEMP%\\x", u"/f"});
    Run({u"add", kKey, u"/v", u"Multi", u"/t", u"REG_MULTI_SZ", u"/d", u"one\\0two", u"/f"});
    Run({u"add", kKey, u"/v", u"Dword", u"/t", u"REG_DWORD", u"/d", u"3735928559", u"/f"});
    Run({u"add", kKey, u"/v", u"None", u"/t", u"REG_NONE", u"/d", u"0102", u"/f"});
    Run({u"add", kKey, u"/v", u"Long", u"/t", u"REG_BINARY", u"/d", std::u16string(200, u'a'),
         u"/f"});
    Run({u"add", kKey + u"\\Child [1]", u"/v", u"Empty", u"/d", u"", u"/f"});
    for (const char* version : {"5", "4"}) {
        if (std::string(version) == "4") {
            // REGEDIT4 keeps the code page's text only; what it cannot hold is refused
            // (AnExportToRegedit4RefusesTextTheCodePageCannotHold).
            ASSERT_EQ(Run({u"delete", kKey, u"/v", awkward, u"/f"}), 0);
            ASSERT_EQ(Run({u"add", kKey, u"/v", u"Quote\" back\\slash =\u00C4", u"/d", u"v\u00E9",
                           u"/f"}), 0);
        }
        const std::u16string first = File((std::string("first") + version + ".reg").c_str());
        const std::u16string second = File((std::string("second") + version + ".reg").c_str());
        std::vector<std::u16string> exportFirst = {u"export", kKey, first, u"/y"};
        std::vector<std::u16string> exportSecond = {u"export", kKey, second, u"/y"};
        if (std::string(version) == "4") {
            exportFirst.push_back(u"/regedit4");
            exportSecond.push_back(u"/regedit4");
        }
        ASSERT_EQ(Run(exportFirst), 0);
        ASSERT_EQ(Run({u"delete", kKey, u"/f"}), 0);
        ASSERT_EQ(Run({u"import", first}), 0) << std::string(env.err.begin(), env.err.end());
        ASSERT_EQ(Run(exportSecond), 0);
        EXPECT_EQ(Read(first), Read(second)) << "version " << version;
        if (std::string(version) == "4") {
            EXPECT_EQ(Read(first).substr(0, 10), "REGEDIT4\r\n");
        }
    }
}

TEST_F(RegTool, ImportsFilesWrittenTheWayWindowsWritesThem) {
    ASSUME_CODE_PAGE(1252);
    const std::u16string v5 = File("v5.reg");
    Write(v5, Utf16(u"Windows Registry Editor Version 5.00\r\n\r\n"
                    u"[HKEY_CURRENT_USER\\Software\\VantrelTest\\Five]\r\n"
                    u"\"Owner\"=\"Ann \u00C4\"\r\n"
                    u"\"Flags\"=dword:00000010\r\n"
                    u"\"Bin\"=hex:de,ad,\\\r\n"
                    u"  be,ef\r\n\r\n"));
    const std::u16string v4 = File("v4.reg");
    Write(v4,
          "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\VantrelTest\\Four]\r\n"
          "\"Owner\"=\"Ren\xE9\"\r\n\r\n[-HKEY_CURRENT_USER\\Software\\VantrelTest\\Five]\r\n");
    ASSERT_EQ(Run({u"import", v5}), 0);
    ASSERT_EQ(Run({u"query", kKey + u"\\Five"}), 0);
    EXPECT_NE(env.out.find(u"Owner    REG_SZ    Ann \u00C4"), std::u16string::npos);
    EXPECT_NE(env.out.find(u"Flags    REG_DWORD    0x10"), std::u16string::npos);
    EXPECT_NE(env.out.find(u"Bin    REG_BINARY    DEADBEEF"), std::u16string::npos);
    ASSERT_EQ(Run({u"import", v4}), 0);
    EXPECT_EQ(Run({u"query", kKey + u"\\Five"}), 1);  // [-KEY] deleted it
    ASSERT_EQ(Run({u"query", kKey + u"\\Four", u"/v", u"Owner"}), 0);
    EXPECT_NE(env.out.find(u"Ren\u00E9"), std::u16string::npos);
}

TEST_F(RegTool, AFileWithAnErrorImportsNothingAndSaysWhere) {
    const std::u16string bad = File("bad.reg");
    Write(bad,
          "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\VantrelTest]\r\n\"A\"=\"1\"\r\n"
          "\"B\"=dword:zz\r\n");
    EXPECT_EQ(Run({u"import", bad}), 1);
    EXPECT_NE(env.err.find(bad + u", line 5: dword: needs hex digits"), std::u16string::npos);
    EXPECT_EQ(Run({u"query", kKey}), 1);
}

TEST_F(RegTool, AChangeTheRegistryRefusesUndoesTheWholeImportOnTheStore) {
    const std::u16string file = File("refused.reg");
    Write(file,
          "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\VantrelTest\\First]\r\n\"A\"=\"1\"\r\n\r\n"
          "[HKEY_CURRENT_USER\\Software\\VantrelTest\\" +
              std::string(300, 'k') + "]\r\n");
    EXPECT_EQ(Run({u"import", file}), 1);
    EXPECT_NE(env.err.find(u"line 6"), std::u16string::npos);
    if (testing_support::TestRegistry::IsReal()) {
        // Windows has no transaction: the tool says what it applied.
        EXPECT_NE(env.err.find(u"Keys applied before it:\n  " + kFull + u"\\First"),
                  std::u16string::npos);
    } else {
        EXPECT_NE(env.err.find(u"Nothing was imported."), std::u16string::npos);
        EXPECT_EQ(Run({u"query", kKey + u"\\First"}), 1);
    }
}

// Changes are applied as their lines are read: a fault far into the file undoes every
// change before it, a value overwritten and a tree deleted included.
TEST_F(RegTool, AFaultLateInALongFileUndoesEveryChangeBeforeIt) {
    Run({u"add", kKey + u"\\Old", u"/v", u"Kept", u"/d", u"before", u"/f"});
    Run({u"add", kKey + u"\\Gone\\Deep", u"/v", u"Kept", u"/d", u"too", u"/f"});
    std::string text = "REGEDIT4\r\n\r\n[-HKEY_CURRENT_USER\\Software\\VantrelTest\\Gone]\r\n"
                       "[HKEY_CURRENT_USER\\Software\\VantrelTest\\Old]\r\n\"Kept\"=\"after\"\r\n";
    for (int key = 0; key < 50; ++key) {
        text += "[HKEY_CURRENT_USER\\Software\\VantrelTest\\New" + std::to_string(key) + "]\r\n";
        for (int value = 0; value < 20; ++value) {
            text += "\"V" + std::to_string(value) + "\"=hex:01,02,\\\r\n  03\r\n";
        }
    }
    text += "\"Last\"=\"unclosed\r\n";
    const std::u16string file = File("late.reg");
    Write(file, text);
    const std::string lastLine = std::to_string(5 + 50 * 41 + 1);
    EXPECT_EQ(Run({u"import", file}), 1);
    EXPECT_EQ(env.err, u"ERROR: " + file + u", line " + std::u16string(lastLine.begin(), lastLine.end()) +
                           u": a string without its closing quote. Nothing was imported.\n");
    EXPECT_EQ(Run({u"query", kKey + u"\\New0"}), 1);
    EXPECT_EQ(Run({u"query", kKey + u"\\Gone\\Deep", u"/v", u"Kept"}), 0);
    ASSERT_EQ(Run({u"query", kKey + u"\\Old", u"/v", u"Kept"}), 0);
    EXPECT_NE(env.out.find(u"before"), std::u16string::npos);
}

// Where the registry cannot undo a change, the whole file is read before anything is
// applied, and a refusal names every key applied whole before it.
TEST_F(RegTool, WithoutATransactionAnImportSaysWhichKeysItAppliedBeforeARefusal) {
    env.beginTransaction = nullptr;
    const std::u16string file = File("no-transaction.reg");
    Write(file, "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\VantrelTest\\First]\r\n\"A\"=\"1\"\r\n"
                "[HKEY_CURRENT_USER\\Software\\VantrelTest\\Second]\r\n"
                "[HKEY_CURRENT_USER\\Software\\VantrelTest\\" + std::string(300, 'k') + "]\r\n");
    EXPECT_EQ(Run({u"import", file}), 1);
    EXPECT_EQ(env.err.substr(env.err.find(u"Keys applied")),
              u"Keys applied before it:\n  " + kFull + u"\\First\n  " + kFull + u"\\Second\n");
    Write(file, "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\VantrelTest\\Third]\r\n\"A\"=\"1\"\r\n"
                "\"B\"=dword:zz\r\n");
    EXPECT_EQ(Run({u"import", file}), 1);
    EXPECT_EQ(Run({u"query", kKey + u"\\Third"}), 1) << "a syntax error is found before anything is applied";
}

TEST_F(RegTool, ADeleteThatWillBeRefusedDeletesNothing) {
    // A root cannot go, and HKLM\Software holds the key behind HKEY_CLASSES_ROOT.
    Run({u"add", u"HKLM\\Software\\VantrelTest\\Below", u"/v", u"Kept", u"/d", u"1", u"/f"});
    EXPECT_EQ(Run({u"delete", u"HKCU", u"/f"}), 1);
    EXPECT_EQ(env.err,
              u"ERROR: HKEY_CURRENT_USER is a root key and cannot be deleted. "
              u"Nothing was deleted.\n");
    EXPECT_EQ(Run({u"delete", u"HKLM\\", u"/f"}), 1);
    if (testing_support::TestRegistry::IsReal()) return;  // Windows refuses per key
    EXPECT_EQ(Run({u"delete", u"HKLM\\Software", u"/f"}), 1);
    EXPECT_EQ(env.err, u"ERROR: Access is denied. Nothing was changed.\n");
    EXPECT_EQ(Run({u"query", u"HKLM\\Software\\VantrelTest\\Below", u"/v", u"Kept"}), 0);
    EXPECT_EQ(Run({u"query", u"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion"}), 0);
}

// A registry of 8-bit text (Windows 9x) cannot keep what the code page lacks: an import
// that holds such text is refused whole, naming where, before anything is written.
TEST_F(RegTool, AnImportTheEightBitRegistryCannotKeepIsRefusedWhole) {
    ASSUME_CODE_PAGE(1252);
    env.eightBitRegistry = true;
    struct Case {
        std::u16string lines;
        std::u16string error;
    };
    const Case cases[] = {
        {u"\"Town\"=\"\u0141\u00F3d\u017A\"", u"line 5: the data of the value \"Town\""},
        {u"\"\u6771\u4EAC\"=dword:00000001", u"line 5: the value name \"\u6771\u4EAC\""},
        {u"[HKEY_CURRENT_USER\\Software\\VantrelTest\\\u03A3]\r\n\"A\"=\"b\"",
         u"line 5: the key name \"HKEY_CURRENT_USER\\Software\\VantrelTest\\\u03A3\""},
        {u"@=hex(7):41,00,00,01,00,00,00,00", u"line 5: the data of the value \"(Default)\""},
    };
    for (const Case& c : cases) {
        const std::u16string file = File("eight-bit.reg");
        Write(file,
              Utf16(u"Windows Registry Editor Version 5.00\r\n\r\n"
                    u"[HKEY_CURRENT_USER\\Software\\VantrelTest]\r\n\"First\"=\"kept out\"\r\n" +
                    c.lines + u"\r\n"));
        EXPECT_EQ(Run({u"import", file}), 1);
        EXPECT_EQ(env.err, u"ERROR: " + file + u", " + c.error +
                               u" holds characters that this Windows cannot keep in its "
                               u"registry. Nothing was imported.\n");
        EXPECT_EQ(Run({u"query", kKey}), 1) << "nothing is applied";
    }
    // Text of the code page goes in as it is.
    const std::u16string file = File("fits.reg");
    Write(file,
          Utf16(u"Windows Registry Editor Version 5.00\r\n\r\n"
                u"[HKEY_CURRENT_USER\\Software\\VantrelTest]\r\n\"Caf\u00E9\"=\"\u00C5sa\"\r\n"));
    EXPECT_EQ(Run({u"import", file}), 0) << std::string(env.err.begin(), env.err.end());
}

TEST_F(RegTool, NamesTheRegistryCannotCarryAreRefusedWithTheirLine) {
    struct Case {
        std::u16string line;
        std::u16string error;
    };
    const Case cases[] = {
        {std::u16string(u"\"I\0mp\"=\"x\"", 10), u"line 4: the value name holds a NUL character"},
        {u"\"\xDC00\"=\"x\"", u"line 4: the value name holds half of a surrogate pair"},
        {u"[HKEY_CURRENT_USER\\Software\\VantrelTest\\S\xD800x]",
         u"line 4: the key name holds half of a surrogate pair"},
    };
    for (const Case& c : cases) {
        const std::u16string file = File("names.reg");
        Write(file, Utf16(u"Windows Registry Editor Version 5.00\r\n\r\n"
                          u"[HKEY_CURRENT_USER\\Software\\VantrelTest]\r\n" +
                          c.line + u"\r\n\"After\"=\"y\"\r\n"));
        EXPECT_EQ(Run({u"import", file}), 1);
        EXPECT_NE(env.err.find(c.error), std::u16string::npos)
            << std::string(env.err.begin(), env.err.end());
        EXPECT_EQ(Run({u"query", kKey}), 1) << "nothing is applied";
    }
    // A name with a whole pair is a character like any other, and comes back unchanged.
    const std::u16string pair = u"Clef \xD834\xDD1E";
    if (testing_support::TestRegistry::IsWindows9x()) {
        // except where the registry keeps 8-bit names, which have no room for it
        EXPECT_EQ(Run({u"add", kKey, u"/v", pair, u"/d", u"x", u"/f"}), 1);
        EXPECT_EQ(env.err,
                  u"ERROR: The name or text holds characters that this Windows cannot "
                  u"keep in its registry.\n");
        return;
    }
    ASSERT_EQ(Run({u"add", kKey, u"/v", pair, u"/d", u"x", u"/f"}), 0);
    const std::u16string first = File("pair1.reg"), second = File("pair2.reg");
    ASSERT_EQ(Run({u"export", kKey, first, u"/y"}), 0);
    ASSERT_EQ(Run({u"delete", kKey, u"/f"}), 0);
    ASSERT_EQ(Run({u"import", first}), 0);
    ASSERT_EQ(Run({u"export", kKey, second, u"/y"}), 0);
    EXPECT_EQ(Read(first), Read(second));
    EXPECT_EQ(Run({u"query", kKey, u"/v", pair}), 0);
}

TEST_F(RegTool, AUtf16FileCutInHalfACharacterIsRefused) {
    const std::u16string file = File("odd.reg");
    Write(file, Utf16(u"Windows Registry Editor Version 5.00\r\n\r\n"
                      u"[HKEY_CURRENT_USER\\Software\\VantrelTest]\r\n\"A\"=\"1\"\r\n") +
                    "\x41");
    EXPECT_EQ(Run({u"import", file}), 1);
    EXPECT_NE(env.err.find(u"the file ends in half a UTF-16 character"), std::u16string::npos);
    EXPECT_EQ(Run({u"query", kKey}), 1);
}

#ifndef _WIN32
// Deep trees are walked without recursion: 1,000 levels on a 256 KiB stack.
TEST_F(RegTool, ATreeAThousandLevelsDeepIsListedExportedAndDeletedOnASmallStack) {
    constexpr int kDepth = 1000;
    std::u16string deepest = kKey;
    for (int i = 0; i < kDepth; ++i) deepest += u"\\k";
    // Made one level at a time, as no key path may be longer than the registry allows.
    Hkey key = kNullKey;
    ASSERT_EQ(test.Api().RegCreateKeyExW(RootKey(kHkeyCurrentUser), testing_support::kTestKey, 0,
                                         nullptr, 0, kKeyAllAccess, nullptr, &key, nullptr),
              kErrorSuccess);
    for (int i = 0; i < kDepth; ++i) {
        Hkey child = kNullKey;
        ASSERT_EQ(test.Api().RegCreateKeyExW(key, u"k", 0, nullptr, 0, kKeyAllAccess, nullptr,
                                             &child, nullptr),
                  kErrorSuccess);
        test.Api().RegCloseKey(key);
        key = child;
    }
    test.Api().RegSetValueExW(key, u"Bottom", 0, kRegDword, regtool::DwordData(7).data(), 4);
    test.Api().RegCloseKey(key);

    struct Results {
        decltype(this) self;
        int query = -1, exported = -1, deleted = -1;
        std::size_t lines = 0;
    } results{this};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 256 * 1024);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attributes,
                  [](void* argument) -> void* {
                      auto& r = *static_cast<Results*>(argument);
                      r.query = r.self->Run({u"query", kKey, u"/s"});
                      r.lines = std::count(r.self->env.out.begin(), r.self->env.out.end(), u'\n');
                      r.exported = r.self->Run({u"export", kKey, r.self->File("deep.reg"), u"/y"});
                      r.deleted = r.self->Run({u"delete", kKey, u"/f"});
                      return nullptr;
                  },
                  &results),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    EXPECT_EQ(results.query, 0);
    // A blank line first; the top key has no values and is left out; then a name and a
    // blank line per key, and one value.
    EXPECT_EQ(results.lines, 1u + 2u * kDepth + 1u);
    EXPECT_EQ(results.exported, 0);
    EXPECT_EQ(results.deleted, 0);
    EXPECT_EQ(Run({u"query", kKey}), 1);
}
#endif

TEST_F(RegTool, ALongListingGoesOutInPiecesThatAddUpToTheWhole) {
    for (int k = 0; k < 40; ++k) {
        for (int v = 0; v < 20; ++v) {
            Run({u"add", kKey + u"\\K" + Digits(k), u"/v", u"Value" + Digits(v), u"/d",
                 std::u16string(100, u'x'), u"/f"});
        }
    }
    ASSERT_EQ(Run({u"query", kKey, u"/s"}), 0);
    const std::u16string whole = env.out;
    std::u16string pieces;
    int flushes = 0;
    env.flushOut = [&](std::u16string& out) {
        ++flushes;
        pieces += out;
        out.clear();
    };
    ASSERT_EQ(Run({u"query", kKey, u"/s"}), 0);
    EXPECT_GT(flushes, 0);
    EXPECT_EQ(pieces + env.out, whole);
}

TEST_F(RegTool, AnExportThatCannotBeWrittenLeavesNoFileBehind) {
    Run({u"add", kKey, u"/v", u"A", u"/d", u"1", u"/f"});
    const std::u16string file = File("missing-folder/out.reg");
    EXPECT_EQ(Run({u"export", kKey, file, u"/y"}), 1);
    EXPECT_EQ(env.err, u"ERROR: Cannot write the file " + file + u".\n");
    EXPECT_FALSE(regtool::FileExists(file + u".partial"));
    // A key that is not there is said before any file is touched.
    const std::u16string kept = File("kept.reg");
    Write(kept, "old");
    EXPECT_EQ(Run({u"export", kKey + u"\\Missing", kept, u"/y"}), 1);
    EXPECT_EQ(Read(kept), "old");
}

TEST_F(RegTool, QwordsAndMultiStringsRoundTripThroughBothFileVersions) {
    // Made in name order, which Wine's registry lists them in too.
    // A separator of one's own; a final separator ends the last string.
    ASSERT_EQ(Run({u"add", kKey, u"/v", u"Hash", u"/t", u"REG_MULTI_SZ", u"/s", u"#", u"/d",
                   u"a#b c#", u"/f"}),
              0);
    ASSERT_EQ(Run({u"add", kKey, u"/v", u"Hex", u"/t", u"reg_qword", u"/d", u"0x123456789", u"/f"}), 0);
    ASSERT_EQ(Run({u"add", kKey, u"/v", u"Max", u"/t", u"REG_QWORD", u"/d", u"18446744073709551615",
                   u"/f"}),
              0);
    ASSERT_EQ(Run({u"add", kKey, u"/v", u"None", u"/t", u"REG_MULTI_SZ", u"/d", u"", u"/f"}), 0);
    ASSERT_EQ(Run({u"add", kKey, u"/v", u"Plain", u"/t", u"REG_MULTI_SZ", u"/d", u"a\\0b c\\0",
                   u"/f"}),
              0);
    ASSERT_EQ(Run({u"add", kKey, u"/v", u"Zero", u"/t", u"REG_QWORD", u"/d", u"0", u"/f"}), 0);
    EXPECT_EQ(Run({u"add", kKey, u"/v", u"Over", u"/t", u"REG_QWORD", u"/d", u"18446744073709551616",
                   u"/f"}),
              1);
    EXPECT_EQ(Run({u"add", kKey, u"/v", u"Over", u"/t", u"REG_QWORD", u"/d", u"0x1ffffffffffffffff",
                   u"/f"}),
              1);
    // The registry ends the list at an empty string, so none may stand inside it.
    EXPECT_EQ(Run({u"add", kKey, u"/v", u"Gap", u"/t", u"REG_MULTI_SZ", u"/s", u"#", u"/d",
                   u"a##b", u"/f"}),
              1);
    EXPECT_EQ(env.err,
              u"ERROR: Invalid value for REG_MULTI_SZ: \"a##b\" is not strings separated by #, "
              u"none of them empty: the registry ends the list at an empty string.\n");
    ASSERT_EQ(Run({u"query", kKey}), 0);
    const std::u16string listed = env.out;
    EXPECT_EQ(listed, u"\n" + kFull +
                          u"\n"
                          u"    Hash    REG_MULTI_SZ    a\\0b c\n"
                          u"    Hex    REG_QWORD    0x123456789\n"
                          u"    Max    REG_QWORD    0xffffffffffffffff\n"
                          u"    None    REG_MULTI_SZ    \n"
                          u"    Plain    REG_MULTI_SZ    a\\0b c\n"
                          u"    Zero    REG_QWORD    0x0\n\n")
        << Narrow(listed);
    for (const bool regedit4 : {false, true}) {
        const std::u16string file = File(regedit4 ? "q4.reg" : "q5.reg");
        std::vector<std::u16string> arguments{u"export", kKey, file, u"/y"};
        if (regedit4) arguments.push_back(u"/regedit4");
        ASSERT_EQ(Run(arguments), 0);
        if (regedit4) {
            EXPECT_NE(Read(file).find("\"Hex\"=hex(b):89,67,45,23,01,00,00,00\r\n"),
                      std::string::npos);
        }
        ASSERT_EQ(Run({u"delete", kKey, u"/f"}), 0);
        ASSERT_EQ(Run({u"import", file}), 0) << Narrow(env.err);
        ASSERT_EQ(Run({u"query", kKey}), 0);
        EXPECT_EQ(env.out, listed) << (regedit4 ? "REGEDIT4" : "version 5");
    }
}

TEST_F(RegTool, DataWithoutAValueNameIsTheUnnamedValues) {
    ASSERT_EQ(Run({u"add", kKey, u"/d", u"xyz", u"/f"}), 0);
    ASSERT_EQ(Run({u"query", kKey, u"/ve"}), 0);
    EXPECT_EQ(env.out, u"\n" + kFull + u"\n    (Default)    REG_SZ    xyz\n\n");
}

// A REGEDIT4 file holds the code page's text; one that an editor saved in UTF-8 must not
// turn "Café" into "CafÃ©" without a word.
TEST_F(RegTool, ARegedit4FileInUtf8IsRefusedUnlessReadAsUtf8) {
    const std::u16string file = File("utf8.reg");
    Write(file,
          "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\VantrelTest]\r\n"
          "\"Plain\"=\"ascii\"\r\n\"Name\"=\"Caf\xC3\xA9\"\r\n");
    if (testing_support::UseCodePage(65001)) {
        // The code page is UTF-8 itself: there is nothing to tell apart.
        EXPECT_EQ(Run({u"import", file}), 0) << Narrow(env.err);
        ASSERT_EQ(Run({u"query", kKey, u"/v", u"Name"}), 0);
        EXPECT_NE(env.out.find(u"REG_SZ    Caf\u00E9\n"), std::u16string::npos);
        ASSERT_EQ(Run({u"delete", kKey, u"/f"}), 0);
    }
    ASSUME_CODE_PAGE(1252);
    EXPECT_EQ(Run({u"import", file}), 1);
    EXPECT_EQ(env.err, u"ERROR: " + file +
                           u" is a REGEDIT4 file, whose text is in the code page, but its "
                           u"bytes are UTF-8: line 5 reads \"\"Name\"=\"Caf\u00E9\"\" as UTF-8 "
                           u"and \"\"Name\"=\"Caf\u00C3\u00A9\"\" in the code page. Import it with "
                           u"/utf8 to read it as UTF-8. Nothing was imported.\n");
    EXPECT_EQ(Run({u"query", kKey}), 1) << "nothing was imported";
    ASSERT_EQ(Run({u"import", file, u"/utf8"}), 0) << Narrow(env.err);
    ASSERT_EQ(Run({u"query", kKey, u"/v", u"Name"}), 0);
    EXPECT_NE(env.out.find(u"REG_SZ    Caf\u00E9\n"), std::u16string::npos);
    // A byte-order mark says UTF-8 by itself.
    const std::u16string marked = File("marked.reg");
    Write(marked,
          "\xEF\xBB\xBFREGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\VantrelTest]\r\n"
          "\"Town\"=\"\xC5\x81\xC3\xB3\x64\xC5\xBA\"\r\n"
          "\"Hex\"=hex(2):c5,81,00\r\n");
    ASSERT_EQ(Run({u"import", marked}), 0) << Narrow(env.err);
    ASSERT_EQ(Run({u"query", kKey, u"/v", u"Town"}), 0);
    EXPECT_NE(env.out.find(u"REG_SZ    \u0141\u00F3d\u017A\n"), std::u16string::npos);
    ASSERT_EQ(Run({u"query", kKey, u"/v", u"Hex"}), 0);
    EXPECT_NE(env.out.find(u"REG_EXPAND_SZ    \u0141\n"), std::u16string::npos);
    // Asked to read UTF-8, bytes that are none are refused with their line.
    const std::u16string latin = File("latin.reg");
    Write(latin, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\VantrelTest]\r\n\"A\"=\"Ren\xE9\"\r\n");
    EXPECT_EQ(Run({u"import", latin, u"/utf8"}), 1);
    EXPECT_EQ(env.err, u"ERROR: " + latin + u", line 4: the line is not UTF-8 text. Nothing was "
                                            u"imported.\n");
}

TEST_F(RegTool, AnExportToRegedit4RefusesTextTheCodePageCannotHold) {
    const std::u16string town = u"\u041C\u043E\u0441\u043A\u0432\u0430";
    ASSERT_EQ(Run({u"add", kKey, u"/v", u"Fits", u"/d", u"Caf\u00E9", u"/f"}), 0);
    ASSERT_EQ(Run({u"add", kKey + u"\\Sub", u"/v", u"Town", u"/d", town, u"/f"}), 0);
    ASSERT_EQ(Run({u"add", kKey + u"\\Sub", u"/v", u"Walk", u"/d", town, u"/f"}), 0);
    const std::u16string file = File("kept.reg");
    if (testing_support::UseCodePage(1251)) {
        // The page that holds Cyrillic lacks é: what is refused follows the active page.
        EXPECT_EQ(Run({u"export", kKey, file, u"/y", u"/regedit4"}), 1);
        const std::u16string named = u"ERROR: The value \"Fits\" of " + kFull + u" holds";
        EXPECT_EQ(env.err.substr(0, named.size()), named);
    }
    ASSUME_CODE_PAGE(1252);
    Write(file, "old");
    EXPECT_EQ(Run({u"export", kKey, file, u"/y", u"/regedit4"}), 1);
    EXPECT_EQ(env.err, u"ERROR: The value \"Town\" of " + kFull +
                           u"\\Sub holds characters that the code page cannot hold, and a "
                           u"REGEDIT4 file holds text in the code page only. Export without "
                           u"/regedit4 to keep them (the file is then UTF-16). Nothing was "
                           u"written.\n");
    EXPECT_EQ(Read(file), "old") << "/y does not let it through";
    EXPECT_FALSE(regtool::FileExists(file + u".partial"));
    // The same in UTF-16 keeps it.
    ASSERT_EQ(Run({u"export", kKey, file, u"/y"}), 0);
    EXPECT_NE(Read(file), "old");
}

// On a registry of 8-bit text (Windows 9x) a UTF-8 file read with /utf8 is held to the
// code page like any other: what the page lacks is refused whole, naming the value.
TEST_F(RegTool, AUtf8ImportTheEightBitRegistryCannotKeepIsRefusedWhole) {
    ASSUME_CODE_PAGE(1252);
    env.eightBitRegistry = true;
    const std::u16string file = File("utf8-9x.reg");
    Write(file,
          "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\VantrelTest]\r\n\"Fits\"=\"Caf\xC3\xA9\"\r\n"
          "\"Town\"=\"\xC5\x81\xC3\xB3\x64\xC5\xBA\"\r\n");
    EXPECT_EQ(Run({u"import", file, u"/utf8"}), 1);
    EXPECT_EQ(env.err, u"ERROR: " + file +
                           u", line 5: the data of the value \"Town\" holds characters that this "
                           u"Windows cannot keep in its registry. Nothing was imported.\n");
    EXPECT_EQ(Run({u"query", kKey}), 1) << "nothing is applied";
}
