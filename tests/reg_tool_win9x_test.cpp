// vantrel-reg run as a user runs it on a Windows 98 installation's folder: query, add,
// delete, export and import, with its two files written together or not at all.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "creg_export.h"
#include "file_bytes.h"
#include "platform/creg/creg_hive.h"
#include "platform/creg/hive_bytes.h"
#include "temp_dir.h"

namespace {

using testing_support::Read;

struct Outcome {
    int status = -1;
    std::string output;
};

creg::HiveValue Text(std::string name, std::string text) {
    creg::HiveValue value;
    value.name = std::move(name);
    value.type = 1;
    value.data = text + '\0';
    return value;
}

class RegToolWin9x : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.File("WINDOWS"));
        creg::Hive system = creg::NewHive();
        const auto software = creg::AddKey(system, 0, "SOFTWARE");
        const auto windows =
            creg::AddKey(system, creg::AddKey(system, software, "Microsoft"), "Windows");
        system.keys[creg::AddKey(system, windows, "CurrentVersion")].values = {
            Text("RegisteredOwner", "Ada"), Text("RegisteredOrganization", "Caf\xE9"),
            Text("ProductId", "12345-OEM-0012345-12345"), Text("ProductKey", "")};
        std::ofstream(System(), std::ios::binary) << creg::WriteHive(system);
        creg::Hive user = creg::NewHive();
        creg::AddKey(user, creg::AddKey(user, 0, ".DEFAULT"), "Software");
        std::ofstream(User(), std::ios::binary) << creg::WriteHive(user);
        std::ofstream(dir.File("MSDOS.SYS"), std::ios::binary)
            << "[Paths]\r\nWinDir=C:\\WINDOWS\r\n";
    }
    std::string System() const { return dir.File("WINDOWS/SYSTEM.DAT"); }
    std::string User() const { return dir.File("WINDOWS/USER.DAT"); }

    // Runs the tool on the drive root, as a disk image mounted there shows it.
    Outcome Run(const std::string& arguments, const std::string& variables = "") {
        const std::string command = "VANTREL_CODEPAGE=1252 " + variables +
                                    " '" VANTREL_REG_PROGRAM "' --registry '" + dir.File(".") +
                                    "' " + arguments + " 2>&1 </dev/null";
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
    testing_support::TempDir dir;
};

TEST_F(RegToolWin9x, QueriesAddsAndDeletesInTheInstallationsFiles) {
    const Outcome listed = Run("query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion'");
    EXPECT_EQ(listed.status, 0) << listed.output;
    EXPECT_NE(listed.output.find("RegisteredOwner    REG_SZ    Ada"), std::string::npos)
        << listed.output;
    EXPECT_NE(listed.output.find("RegisteredOrganization    REG_SZ    Caf\xC3\xA9"),
              std::string::npos)
        << listed.output;
    ASSERT_EQ(Run("add 'HKCU\\Software\\Demo' /v Number /t REG_DWORD /d 42 /f").status, 0);
    ASSERT_EQ(Run("add 'HKLM\\Software\\Demo' /v Bytes /t REG_BINARY /d 00ff10 /f").status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.File("WINDOWS/USER.VE0")));
    EXPECT_TRUE(std::filesystem::exists(dir.File("WINDOWS/SYSTEM.VE0")));
    const Outcome user = Run("query 'HKU\\.DEFAULT\\Software\\Demo' /v Number");
    EXPECT_NE(user.output.find("Number    REG_DWORD    0x2a"), std::string::npos) << user.output;
    ASSERT_EQ(Run("delete 'HKLM\\Software\\Demo' /f").status, 0);
    EXPECT_EQ(Run("query 'HKLM\\Software\\Demo'").status, 1);
    if (testing_support::HaveCregExport()) {
        const auto theirs = testing_support::CregExport(User());
        ASSERT_TRUE(theirs);
        EXPECT_EQ(std::get<2>(theirs->at(".DEFAULT\\Software\\Demo").at(0)),
                  std::string("\x2A\0\0\0", 4));
        EXPECT_EQ(testing_support::CregExport(System())->count("SOFTWARE\\Demo"), 0u);
    }
}

TEST_F(RegToolWin9x, AnExportInTheCodePageImportsBackIntoBothFilesTogether) {
    const std::string exported = dir.File("machine.reg");
    ASSERT_EQ(Run("export 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion' '" + exported +
                  "' /y /regedit4")
                  .status,
              0);
    EXPECT_NE(Read(exported).find("\"RegisteredOrganization\"=\"Caf\xE9\""), std::string::npos);
    const std::string reg = dir.File("both.reg");
    std::ofstream(reg, std::ios::binary)
        << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Imported]\r\n"
           "\"A\"=\"1\"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Imported]\r\n"
           "\"B\"=\"2\"\r\n";
    const Outcome imported = Run("import '" + reg + "'");
    ASSERT_EQ(imported.status, 0) << imported.output;
    EXPECT_EQ(Run("query 'HKLM\\Software\\Imported' /v A").status, 0);
    EXPECT_EQ(Run("query 'HKU\\.Default\\Software\\Imported' /v B").status, 0);
}

TEST_F(RegToolWin9x, TextOutsideTheCodePageIsRefusedAndNothingIsWritten) {
    const std::string system = Read(System());
    const std::string user = Read(User());
    const std::string reg = dir.File("kanji.reg");
    std::ofstream(reg, std::ios::binary)
        << "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n"
           "[HKEY_CURRENT_USER\\Software\\Fine]\r\n\"A\"=\"1\"\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\Software\\Kanji]\r\n\"A\"=\"\xE6\x97\xA5\"\r\n";
    const Outcome refused = Run("import '" + reg + "'");
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.output.find("cannot keep in its registry"), std::string::npos)
        << refused.output;
    const Outcome added = Run("add 'HKLM\\Software' /v Name /d '\xE6\x97\xA5' /f");
    EXPECT_EQ(added.status, 1);
    EXPECT_EQ(Read(System()), system);
    EXPECT_EQ(Read(User()), user);
    EXPECT_FALSE(std::filesystem::exists(dir.File("WINDOWS/SYSTEM.VE0")));
    // Code page 1251 holds Cyrillic, and the installation may be named to be in it.
    const Outcome cyrillic =
        Run("add 'HKLM\\Software' /v Name /d '\xD0\x96' /f", "VANTREL_9X_CODEPAGE=1251");
    EXPECT_EQ(cyrillic.status, 0) << cyrillic.output;
    EXPECT_NE(Read(System()).find("Name\xC6"), std::string::npos);
    const Outcome bad = Run("query HKLM", "VANTREL_9X_CODEPAGE=65001");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.output.find("VANTREL_9X_CODEPAGE=65001 names no code page"), std::string::npos)
        << bad.output;
}

}  // namespace
