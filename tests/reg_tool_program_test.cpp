// The vantrel-reg program itself, run as a user runs it, on a store of the test's own.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "minimal_hive.h"
#include "temp_dir.h"

namespace {

struct Outcome {
    int status = -1;
    std::string output;  // standard output and standard error
};

class RegToolProgram : public ::testing::Test {
protected:
    testing_support::TempDir dir;
    std::string store = dir.File("registry.db");

    // Runs the tool with its arguments given to the shell as they stand, and with the
    // variables given before them; its standard output goes to `outputTo` when one is named,
    // and only its standard error is then kept.
    Outcome Run(const std::string& arguments, const std::string& variables = "",
                const std::string& outputTo = "") {
        const std::string redirection = outputTo.empty() ? " 2>&1" : " 2>&1 >'" + outputTo + "'";
        const std::string command = variables + " VANTREL_REGISTRY='" + store +
                                    "' '" VANTREL_REG_PROGRAM "' " + arguments + redirection +
                                    " </dev/null";
        Outcome outcome;
        FILE* pipe = popen(command.c_str(), "r");
        std::array<char, 4096> buffer{};
        std::size_t got = 0;
        while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
            outcome.output.append(buffer.data(), got);
        const int status = pclose(pipe);
        outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return outcome;
    }
};

// A tree far larger than one block of output: its REGEDIT4 file as an export writes it, and
// its listing as query /s shows it.
struct LargeTree {
    std::string file = "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Bulk]\r\n\r\n";
    std::string listing = "\n";

    explicit LargeTree(int keys) {
        for (int k = 0; k < keys; ++k) {
            char key[16];
            std::snprintf(key, sizeof key, "Key%03d", k);
            const std::string name = std::string("HKEY_CURRENT_USER\\Software\\Bulk\\") + key;
            file += "[" + name + "]\r\n";
            listing += name + "\n";
            for (int v = 0; v < 20; ++v) {
                char value[16];
                std::snprintf(value, sizeof value, "V%02d", v);
                // Texts of different lengths, so that keys and blocks never line up.
                const std::string text =
                    std::to_string(k) + std::string(40 + (k * 7 + v) % 90, 'a' + v);
                file += std::string("\"") + value + "\"=\"" + text + "\"\r\n";
                listing += std::string("    ") + value + "    REG_SZ    " + text + "\n";
            }
            file += "\r\n";
            listing += "\n";
        }
    }
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool HasDeviceFull() {
    struct stat info {};
    return stat("/dev/full", &info) == 0 && S_ISCHR(info.st_mode);
}

}  // namespace

// An argument that is not UTF-8 could name another key once its bad bytes are dropped:
// here the whole of HKCU\Software.
TEST_F(RegToolProgram, AnArgumentThatIsNotTextChangesNothing) {
    ASSERT_EQ(Run("add 'HKCU\\Software\\Kept' /v A /d 1 /f").status, 0);
    const Outcome refused = Run("delete \"$(printf 'HKCU\\\\Software\\\\\\377')\" /f");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.output,
              "ERROR: The argument \"HKCU\\Software\\\\xFF\" is not valid UTF-8 text. "
              "Nothing was changed.\n");
    EXPECT_EQ(Run("query 'HKCU\\Software\\Kept' /v A").status, 0);
}

TEST_F(RegToolProgram, TheHelpSaysHowToNameTheRegistry) {
    const Outcome help = Run("/?");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("vantrel-reg [--registry PATH] [--user NAME] COMMAND [ARGUMENTS]\n", 0), 0u)
        << help.output;
    EXPECT_NE(help.output.find("\n  --registry PATH\n"), std::string::npos) << help.output;
    // The option before the help is taken as the option, not as a command.
    EXPECT_EQ(Run("--registry='" + store + "' /?").output, help.output);
    EXPECT_EQ(Run("--registry '" + store + "' /?").output, help.output);
    EXPECT_EQ(Run("--user Ada --registry '" + store + "' /?").output, help.output);
}

TEST_F(RegToolProgram, AStoreThatCannotBeUsedIsNamedOnce) {
    ASSERT_EQ(system(("printf 'not a store' > '" + store + "'").c_str()), 0);
    const Outcome outcome = Run("query HKLM\\Software");
    EXPECT_EQ(outcome.status, 1);
    const std::string named = "The registry store " + store + " cannot be used";
    ASSERT_NE(outcome.output.find(named), std::string::npos) << outcome.output;
    EXPECT_EQ(outcome.output.find(named, outcome.output.find(named) + 1), std::string::npos)
        << outcome.output;
}

// A REGEDIT4 file is written in the code page, which the variable or the locale names.
TEST_F(RegToolProgram, TheCodePageOfAnOldFormatFileFollowsTheChosenPage) {
    const std::string company = "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD";  // "Иван" in UTF-8
    ASSERT_EQ(Run("add 'HKCU\\Software\\Demo' /v Company /d '" + company + "' /f").status, 0);
    const std::string file = dir.File("demo.reg");
    const auto exported = [&](const std::string& variables) {
        EXPECT_EQ(
            Run("export 'HKCU\\Software\\Demo' '" + file + "' /y /regedit4", variables).status, 0);
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_NE(exported("VANTREL_CODEPAGE=1251").find("\"Company\"=\"\xC8\xE2\xE0\xED\""),
              std::string::npos);
    EXPECT_NE(exported("VANTREL_CODEPAGE= LC_ALL=C.UTF-8").find("\"Company\"=\"" + company),
              std::string::npos);
}

TEST_F(RegToolProgram, ACodePageVariableThatNamesNoPageChangesNothing) {
    const Outcome refused = Run("add 'HKCU\\Software\\Demo' /f", "VANTREL_CODEPAGE=utf-8");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.output,
              "ERROR: VANTREL_CODEPAGE is \"utf-8\", which is no code page this program "
              "converts; it knows 65001 (UTF-8), 874, 932, 936, 949, 950 and 1250 to 1258. "
              "Nothing was changed.\n");
    EXPECT_EQ(Run("query 'HKCU\\Software\\Demo'").status, 1);
}

// An export and a listing many times the size of a write come out whole, in order, with
// every key and value once, whatever the block boundaries fall on.
TEST_F(RegToolProgram, AnExportAndAListingOfManyBlocksAreWhole) {
    const LargeTree tree(300);
    ASSERT_GT(tree.file.size(), 8u << 16);
    const std::string source = dir.File("source.reg"), exported = dir.File("exported.reg");
    std::ofstream(source, std::ios::binary) << tree.file;
    ASSERT_EQ(Run("import '" + source + "'").status, 0);
    ASSERT_EQ(Run("export 'HKCU\\Software\\Bulk' '" + exported + "' /y /regedit4").status, 0);
    EXPECT_TRUE(ReadFile(exported) == tree.file) << ReadFile(exported).size() << " bytes";
    const Outcome listed = Run("query 'HKCU\\Software\\Bulk' /s");
    EXPECT_EQ(listed.status, 0);
    EXPECT_TRUE(listed.output == tree.listing) << listed.output.size() << " bytes";
}

// A write that fails, at once for a large file or only when a small one is closed, is
// said with the file's name, and no file is left under that name.
TEST_F(RegToolProgram, AnExportThatCannotBeWrittenToTheEndIsRefused) {
    if (!HasDeviceFull()) GTEST_SKIP() << "no /dev/full to fill";
    const LargeTree tree(300);
    const std::string source = dir.File("source.reg");
    std::ofstream(source, std::ios::binary) << tree.file;
    ASSERT_EQ(Run("import '" + source + "'").status, 0);
    for (const std::string key : {"HKCU\\Software\\Bulk", "HKCU\\Software\\Bulk\\Key007"}) {
        SCOPED_TRACE(key);
        const std::string target = dir.File("full.reg");
        // The file is written beside its name first: that one is a disk with no room.
        ASSERT_EQ(symlink("/dev/full", (target + ".partial").c_str()), 0);
        const Outcome refused = Run("export '" + key + "' '" + target + "' /y");
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.output, "ERROR: Cannot write the file " + target + ".\n");
        struct stat info {};
        EXPECT_NE(lstat(target.c_str(), &info), 0);
        EXPECT_NE(lstat((target + ".partial").c_str(), &info), 0);
    }
}

// A target that is a pipe or a device is refused before anything is written: the file
// renamed into its place would replace it (run as root, /dev/null itself). Only a pipe here,
// so that a fault cannot break the machine the tests run on.
TEST_F(RegToolProgram, AnExportOntoAPipeIsRefusedAndLeavesItAsItWas) {
    ASSERT_EQ(Run("add 'HKCU\\Software\\Demo' /v A /d 1 /f").status, 0);
    const std::string pipe = dir.File("pipe.reg");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const Outcome refused = Run("export 'HKCU\\Software\\Demo' '" + pipe + "' /y");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("ERROR: " + pipe + " is a device, a pipe or a socket"),
              std::string::npos)
        << refused.output;
    struct stat info {};
    ASSERT_EQ(lstat(pipe.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_NE(lstat((pipe + ".partial").c_str(), &info), 0);
}

// A listing that cannot be written does not pass for a whole one.
TEST_F(RegToolProgram, AListingThatCannotBeWrittenFails) {
    if (!HasDeviceFull()) GTEST_SKIP() << "no /dev/full to fill";
    ASSERT_EQ(Run("add 'HKCU\\Software\\Demo' /v A /d 1 /f").status, 0);
    const Outcome refused = Run("query 'HKCU\\Software\\Demo' /s", "", "/dev/full");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.output,
              "ERROR: Cannot write to the standard output: No space left on device.\n");
}

// An offline Windows named by --registry, its user by --user or VANTREL_USER, in either
// order before the command.
TEST_F(RegToolProgram, WorksOnAnOfflineInstallationAndItsChosenUser) {
    const std::string config = dir.File("drive/Windows/System32/config");
    const std::string profile = dir.File("drive/Users/Ada");
    ASSERT_EQ(std::system(("mkdir -p '" + config + "' '" + profile + "'").c_str()), 0);
    for (const std::string& hive :
         {config + "/SOFTWARE", config + "/SYSTEM", config + "/DEFAULT", profile + "/NTUSER.DAT"}) {
        testing_support::WriteMinimalHive(hive);
    }
    const std::string drive = "--registry '" + dir.File("drive") + "'";
    Outcome added = Run(drive + " --user ada add 'HKCU\\Software\\Demo' /v Owner /d Ada /f");
    ASSERT_EQ(added.status, 0) << added.output;
    added = Run(drive + " add 'HKCU\\Software\\Demo' /v Owner /d Default /f");
    ASSERT_EQ(added.status, 0) << added.output;

    const Outcome ada = Run("--user=ADA " + drive + " query 'HKCU\\Software\\Demo' /v Owner");
    EXPECT_EQ(ada.status, 0);
    EXPECT_EQ(ada.output, "\nHKEY_CURRENT_USER\\Software\\Demo\n    Owner    REG_SZ    Ada\n\n");
    const Outcome byVariable = Run(drive + " query 'HKU\\Ada\\Software\\Demo' /v Owner",
                                   "VANTREL_USER=Ada");
    EXPECT_EQ(byVariable.status, 0) << byVariable.output;
    const Outcome fallback = Run(drive + " query 'HKU\\.Default\\Software\\Demo' /v Owner");
    EXPECT_NE(fallback.output.find("REG_SZ    Default"), std::string::npos) << fallback.output;

    const Outcome nobody = Run(drive + " --user Zed query HKCU");
    EXPECT_EQ(nobody.status, 1);
    EXPECT_NE(nobody.output.find("ERROR: No user profile named \"Zed\""), std::string::npos)
        << nobody.output;
    EXPECT_NE(nobody.output.find("The profiles found are: Ada."), std::string::npos) << nobody.output;
}
