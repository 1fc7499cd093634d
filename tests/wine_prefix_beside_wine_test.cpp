// A real Wine prefix made by wineboot, changed by us and by Wine in turns: Wine's reg reads
// what we wrote once its server starts again, our reads match Wine's reg export, and no
// change is written while a wineserver serves the prefix.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "platform/wine/wine_prefix.h"
#include "temp_dir.h"

using namespace platform;

namespace {

const std::string kPrefix = std::getenv("VANTREL_WINE_PREFIX") ? std::getenv("VANTREL_WINE_PREFIX") : "";

struct Outcome {
    int status = -1;
    std::string output;
};

Outcome Shell(const std::string& command) {
    const std::string full = "WINEPREFIX='" + kPrefix +
                             "' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' " + command +
                             " 2>&1 </dev/null";
    Outcome outcome;
    FILE* pipe = popen(full.c_str(), "r");
    std::array<char, 4096> buffer{};
    std::size_t got = 0;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) outcome.output.append(buffer.data(), got);
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

// Runs Wine's reg, then stops the server so that it saves the registry and leaves the
// prefix to us.
Outcome WineReg(const std::string& arguments) {
    Outcome outcome = Shell("wine reg " + arguments);
    Shell("wineserver -k; wineserver -w");
    return outcome;
}

using testing_support::Read;
using testing_support::Utf16z;

class BesideWine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(kPrefix.empty()) << "VANTREL_WINE_PREFIX names no prefix";
        ASSERT_TRUE(wine::WinePrefix::IsPrefix(kPrefix)) << kPrefix;
    }
    Long Set(wine::WinePrefix& registry, Dword root, const char16_t* path, const char16_t* name,
             Dword type, const std::vector<std::uint8_t>& data) {
        Hkey key = kNullKey;
        const Long status = registry.RegCreateKeyExW(RootKey(root), path, 0, nullptr, 0,
                                                     kKeyAllAccess, nullptr, &key, nullptr);
        if (status != kErrorSuccess) return status;
        const Long set = registry.RegSetValueExW(key, name, 0, type, data.data(),
                                                 static_cast<Dword>(data.size()));
        registry.RegCloseKey(key);
        return set;
    }
    std::optional<std::vector<std::uint8_t>> Get(wine::WinePrefix& registry, Dword root,
                                                 const char16_t* path, const char16_t* name) {
        Hkey key = kNullKey;
        if (registry.RegOpenKeyExW(RootKey(root), path, 0, kKeyAllAccess, &key)) return std::nullopt;
        std::vector<std::uint8_t> data(65536);
        Dword size = static_cast<Dword>(data.size());
        const Long status = registry.RegQueryValueExW(key, name, nullptr, nullptr, data.data(), &size);
        registry.RegCloseKey(key);
        if (status) return std::nullopt;
        data.resize(size);
        return data;
    }
};

TEST_F(BesideWine, WinesRegReadsWhatWeWroteInEachFile) {
    std::vector<std::uint8_t> blob;
    for (int i = 0; i < 100; ++i) blob.push_back(static_cast<std::uint8_t>(i * 7));
    {
        wine::WinePrefix registry(kPrefix);
        ASSERT_FALSE(registry.Problem()) << *registry.Problem();
        const char16_t* test = u"Software\\Vantrel Test";
        EXPECT_EQ(Set(registry, kHkeyCurrentUser, test, u"Text", kRegSz, Utf16z(u"a \"quoted\" \\ text")), 0);
        EXPECT_EQ(Set(registry, kHkeyCurrentUser, test, u"Expand", kRegExpandSz, Utf16z(u"%WINDIR%\\x")), 0);
        EXPECT_EQ(Set(registry, kHkeyCurrentUser, test, u"Multi", kRegMultiSz,
                      Utf16z(std::u16string(u"one\0two\0", 8))), 0);
        EXPECT_EQ(Set(registry, kHkeyCurrentUser, test, u"Number", kRegDword, {0x2a, 0, 0, 0}), 0);
        EXPECT_EQ(Set(registry, kHkeyCurrentUser, test, u"Blob", kRegBinary, blob), 0);
        EXPECT_EQ(Set(registry, kHkeyLocalMachine, u"Software\\Microsoft\\Windows NT\\CurrentVersion",
                      u"RegisteredOrganization", kRegSz, Utf16z(u"Caf\u00e9 Ltd")), 0);
        EXPECT_EQ(Set(registry, kHkeyUsers, u".Default\\Software\\Microsoft\\MS Setup (ACME)\\User Info",
                      u"DefName", kRegSz, Utf16z(u"Ada")), 0);
    }
    const Outcome user = WineReg("query 'HKCU\\Software\\Vantrel Test'");
    ASSERT_EQ(user.status, 0) << user.output;
    EXPECT_NE(user.output.find("    Text    REG_SZ    a \"quoted\" \\ text\r\n"), std::string::npos) << user.output;
    EXPECT_NE(user.output.find("    Expand    REG_EXPAND_SZ    %WINDIR%\\x\r\n"), std::string::npos);
    EXPECT_NE(user.output.find("    Multi    REG_MULTI_SZ    one\\0two\r\n"), std::string::npos);
    EXPECT_NE(user.output.find("    Number    REG_DWORD    0x2a\r\n"), std::string::npos);
    EXPECT_NE(user.output.find("    Blob    REG_BINARY    00070E151C"), std::string::npos);
    const Outcome defaults =
        WineReg("query 'HKU\\.Default\\Software\\Microsoft\\MS Setup (ACME)\\User Info' /v DefName");
    EXPECT_NE(defaults.output.find("DefName    REG_SZ    Ada\r\n"), std::string::npos) << defaults.output;

    // Wine saved the files again, its own way: we read its text back.
    wine::WinePrefix again(kPrefix);
    EXPECT_EQ(Get(again, kHkeyLocalMachine, u"Software\\Microsoft\\Windows NT\\CurrentVersion",
                  u"RegisteredOrganization"),
              Utf16z(u"Caf\u00e9 Ltd"));
    EXPECT_EQ(Get(again, kHkeyCurrentUser, u"Software\\Vantrel Test", u"Blob"), blob);
}

// Keys that Wine makes anew at each start (NetworkCards) are in no file, so those compared
// hold none: one from system.reg and the whole of userdef.reg.
TEST_F(BesideWine, OurExportMatchesWinesExport) {
    testing_support::TempDir dir;
    for (const std::string key : {"'HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts'",
                                  "'HKU\\.Default'"}) {
        const Outcome wine = WineReg("export " + key + " '" + dir.File("wine.reg") + "' /y");
        ASSERT_EQ(wine.status, 0) << wine.output;
        const Outcome ours = Shell("'" VANTREL_REG_PROGRAM "' --registry '" + kPrefix + "' export " +
                                   key + " '" + dir.File("ours.reg") + "' /y");
        ASSERT_EQ(ours.status, 0) << ours.output;
        const std::string expected = Read(dir.File("wine.reg"));
        ASSERT_GT(expected.size(), 1000u) << key;
        EXPECT_TRUE(Read(dir.File("ours.reg")) == expected) << key << " differs from Wine's export";
    }
}

// Wine's listing without CR, and without the blocks of the keys named (each with everything
// below it), which Wine's server makes anew at each start and keeps in no file.
std::string WithoutVolatile(const std::string& listing, const std::vector<std::string>& keys) {
    std::string kept;
    std::istringstream lines(listing);
    std::string line;
    bool dropping = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("HKEY_", 0) == 0) {
            dropping = false;
            for (const std::string& key : keys) {
                if (line == key || line.rfind(key + "\\", 0) == 0) dropping = true;
            }
        }
        if (dropping) continue;
        // A dropped block leaves the blank line that ended the block before it.
        if (line.empty() && !kept.empty() && kept.ends_with("\n\n")) continue;
        kept += line + "\n";
    }
    return kept;
}

// Wine follows its symbolic links (#link) when it opens a key: what it lists through one,
// and what it lists of the keys the control set and HKEY_CURRENT_CONFIG hold, we list too.
TEST_F(BesideWine, OurListingsThroughLinksMatchWines) {
    struct Case {
        std::string arguments;
        std::vector<std::string> volatileKeys;
    };
    const Case cases[] = {
        {"'HKLM\\System\\CurrentControlSet\\Control'",
         {"HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ServiceCurrent",
          "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video"}},
        {"HKCC /s", {"HKEY_CURRENT_CONFIG\\System"}},
        {"'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Time Zones' /s", {}},
        {"'HKLM\\Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\Fonts'", {}},
    };
    for (const Case& test : cases) {
        const Outcome wine = WineReg("query " + test.arguments);
        ASSERT_EQ(wine.status, 0) << wine.output;
        const Outcome ours =
            Shell("'" VANTREL_REG_PROGRAM "' --registry '" + kPrefix + "' query " + test.arguments);
        ASSERT_EQ(ours.status, 0) << ours.output;
        const std::string expected = WithoutVolatile(wine.output, test.volatileKeys);
        ASSERT_GT(expected.size(), 30u) << test.arguments;
        EXPECT_EQ(ours.output, expected) << test.arguments;
    }
}

TEST_F(BesideWine, WhatWeWriteThroughALinkWineReadsAtItsTarget) {
    testing_support::TempDir dir;
    const Outcome wine = WineReg("export 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Time Zones' '" +
                                 dir.File("wine.reg") + "' /y");
    ASSERT_EQ(wine.status, 0) << wine.output;
    const Outcome ours = Shell("'" VANTREL_REG_PROGRAM "' --registry '" + kPrefix +
                               "' export 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Time Zones' '" +
                               dir.File("ours.reg") + "' /y");
    ASSERT_EQ(ours.status, 0) << ours.output;
    ASSERT_GT(Read(dir.File("wine.reg")).size(), 10000u);
    EXPECT_TRUE(Read(dir.File("ours.reg")) == Read(dir.File("wine.reg")));

    {
        wine::WinePrefix registry(kPrefix);
        ASSERT_EQ(Set(registry, kHkeyLocalMachine,
                      u"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\vantrel.exe",
                      u"", kRegSz, Utf16z(u"C:\\vantrel.exe")),
                  kErrorSuccess);
    }
    const Outcome read = WineReg(
        "query 'HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\vantrel.exe' /ve");
    EXPECT_NE(read.output.find("(Default)    REG_SZ    C:\\vantrel.exe\r\n"), std::string::npos)
        << read.output;
}

// Keys and values we made, listed by Wine once its server has read them, come in the order
// we list them.
TEST_F(BesideWine, WeListKeysAndValuesInWinesOrder) {
    {
        wine::WinePrefix registry(kPrefix);
        for (const char16_t* name : {u"Zeta", u"alpha", u"_Under", u"[bracket", u"^caret",
                                     u"a", u"AB", u"`grave", u"~tilde", u"9"}) {
            const std::u16string sub = std::u16string(u"Software\\Vantrel Order\\") + name;
            ASSERT_EQ(Set(registry, kHkeyCurrentUser, sub.c_str(), u"", kRegSz, Utf16z(name)),
                      kErrorSuccess);
            ASSERT_EQ(Set(registry, kHkeyCurrentUser, u"Software\\Vantrel Order", name, kRegSz,
                          Utf16z(name)),
                      kErrorSuccess);
        }
    }
    const std::string arguments = "query 'HKCU\\Software\\Vantrel Order'";
    const Outcome wine = WineReg(arguments);
    ASSERT_EQ(wine.status, 0) << wine.output;
    const Outcome ours =
        Shell("'" VANTREL_REG_PROGRAM "' --registry '" + kPrefix + "' " + arguments);
    ASSERT_EQ(ours.status, 0) << ours.output;
    EXPECT_EQ(ours.output, WithoutVolatile(wine.output, {}));
    EXPECT_LT(ours.output.find("\\_Under"), ours.output.find("\\alpha"));
}

TEST_F(BesideWine, NoChangeIsWrittenWhileWineRuns) {
    const std::string before = Read(kPrefix + "/user.reg");
    ASSERT_EQ(Shell("wineserver -p 30 >/dev/null 2>&1").status, 0);
    {
        wine::WinePrefix registry(kPrefix);
        EXPECT_EQ(Set(registry, kHkeyCurrentUser, u"Software\\Vantrel Refused", u"A", kRegSz, Utf16z(u"1")),
                  kErrorAccessDenied);
        ASSERT_TRUE(registry.Problem());
        EXPECT_EQ(*registry.Problem(),
                  "Wine is running in this prefix; close its programs or run `wineserver -k`, then "
                  "try again.");
        EXPECT_TRUE(Get(registry, kHkeyCurrentUser, u"Software\\Wine", u"Version") ||
                    Get(registry, kHkeyCurrentUser, u"Control Panel\\Desktop", u"Wallpaper"));
    }
    const Outcome tool = Shell("'" VANTREL_REG_PROGRAM "' --registry '" + kPrefix +
                               "' add 'HKCU\\Software\\Vantrel Refused' /v A /d 1 /f");
    EXPECT_EQ(tool.status, 1);
    EXPECT_NE(tool.output.find("Wine is running in this prefix"), std::string::npos) << tool.output;
    EXPECT_EQ(Read(kPrefix + "/user.reg"), before);

    Shell("wineserver -k; wineserver -w");
    wine::WinePrefix registry(kPrefix);
    EXPECT_EQ(Set(registry, kHkeyCurrentUser, u"Software\\Vantrel Refused", u"A", kRegSz, Utf16z(u"1")),
              kErrorSuccess);
}

}  // namespace
