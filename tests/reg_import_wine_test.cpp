// The same .reg files imported by our tool and by the system's own reg.exe (Wine's here)
// give the same registry, as reg.exe's own export of both shows.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/win32_registry.h"
#include "temp_dir.h"
#include "test_registry.h"
#include "tools/regtool/commands.h"
#include "tools/regtool/host_io.h"

namespace {

std::u16string Wide(const std::string& text) { return {text.begin(), text.end()}; }

// Runs a command line with the system's reg.exe and returns its exit code.
DWORD RunSystemReg(const std::u16string& arguments) {
    std::u16string line = u"reg.exe " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t*>(line.data()), nullptr, nullptr, FALSE,
                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process)) {
        return 999;
    }
    // Until it ends, however busy the machine: ctest's own timeout ends a reg.exe that hangs.
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 999;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
        text.replace(at, from.size(), to);
    }
    return text;
}

std::string Utf16File(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t c : text) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

// The files, with @ where each importer's own key goes.
const std::u16string kVersion5 =
    u"Windows Registry Editor Version 5.00\r\n\r\n"
    u"[HKEY_CURRENT_USER\\Software\\VantrelTest\\@]\r\n"
    u"@=\"default\"\r\n"
    u"\"Owner\"=\"Ann \\\"quoted\\\" C:\\\\dir \u00C4\"\r\n"
    u"\"Count\"=dword:0000001f\r\n"
    u"\"Blob\"=hex:de,ad,\\\r\n"
    u"  be,ef\r\n"
    u"\"Expand\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00\r\n"
    u"\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
    u"\"None\"=hex(0):01,02\r\n\r\n"
    u"[HKEY_CURRENT_USER\\Software\\VantrelTest\\@\\Child]\r\n"
    u"\"Gone\"=-\r\n"
    u"\"Kept\"=\"yes\"\r\n\r\n";

const std::string kRegedit4 =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\VantrelTest\\@]\r\n"
    "\"Name\"=\"Ren\xE9\"\r\n"
    "\"Flags\"=dword:00000010\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\VantrelTest\\@\\Sub]\r\n"
    "@=\"sub default\"\r\n\r\n"
    "[-HKEY_CURRENT_USER\\Software\\VantrelTest\\@\\Sub]\r\n";

class WineRegImport : public ::testing::TestWithParam<int> {
protected:
    testing_support::TestRegistry test;
    testing_support::TempDir dir;

    std::string FileWith(const std::string& who) {
        return GetParam() == 5 ? Utf16File([&] {
            std::u16string text = kVersion5;
            for (std::size_t at = 0; (at = text.find(u'@', at)) != std::u16string::npos;) {
                if (at > 0 && text[at - 1] == u'\\') {
                    text.replace(at, 1, Wide(who));
                    at += who.size();
                } else {
                    ++at;
                }
            }
            return text;
        }())
                               : Replace(kRegedit4, "\\@", "\\" + who);
    }
};

}  // namespace

TEST_P(WineRegImport, OurImportAndTheSystemsGiveTheSameRegistry) {
    const std::u16string ours = Wide(dir.File("ours.reg"));
    const std::u16string theirs = Wide(dir.File("theirs.reg"));
    ASSERT_TRUE(regtool::WriteWholeFile(ours, FileWith("Ours")));
    ASSERT_TRUE(regtool::WriteWholeFile(theirs, FileWith("Theirs")));

    regtool::ToolEnvironment environment{
        test.Api(), nullptr, [](const std::u16string&) { return false; }, {}, {}, {}};
    ASSERT_EQ(regtool::RunRegCommand({u"import", ours}, environment), 0)
        << std::string(environment.err.begin(), environment.err.end());
    ASSERT_EQ(RunSystemReg(u"import \"" + theirs + u"\""), 0u);

    const std::u16string oursExport = Wide(dir.File("ours-export.reg"));
    const std::u16string theirsExport = Wide(dir.File("theirs-export.reg"));
    ASSERT_EQ(RunSystemReg(u"export HKCU\\Software\\VantrelTest\\Ours \"" + oursExport + u"\" /y"),
              0u);
    ASSERT_EQ(
        RunSystemReg(u"export HKCU\\Software\\VantrelTest\\Theirs \"" + theirsExport + u"\" /y"),
        0u);
    std::string a, b;
    ASSERT_TRUE(regtool::ReadWholeFile(oursExport, a));
    ASSERT_TRUE(regtool::ReadWholeFile(theirsExport, b));
    // The exports are UTF-16: the key names differ only in these letters.
    const std::string oursName = Utf16File(u"Ours").substr(2);
    const std::string theirsName = Utf16File(u"Theirs").substr(2);
    EXPECT_EQ(Replace(a, oursName, theirsName), b);
    EXPECT_GT(b.size(), 100u);
}

INSTANTIATE_TEST_SUITE_P(BothVersions, WineRegImport, ::testing::Values(5, 4));
