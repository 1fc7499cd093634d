// Wine's text registry files read and written by our own trees: every value form, the
// lines kept byte for byte, the files refused, and a prefix's roots over its three files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "platform/posix/folder_entries.h"
#include "platform/wine/wine_file_tree.h"
#include "platform/wine/wine_prefix.h"
#include "platform/wine/wine_text.h"
#include "temp_dir.h"

using namespace platform;
using testing_support::TempDir;

namespace {

const std::string kMachineText =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\Machine\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Alpha] 1796855689\n"
    "#time=1dd882d802e436a\n"
    "\"Text\"=\"caf\\xe9 \\\"quoted\\\" back\\\\slash\"\n"
    "\"Expand\"=str(2):\"%ProgramFiles%\\\\x\"\n"
    "\"Multi\"=str(7):\"one\\0two\\0\"\n"
    "\"Number\"=dword:0000002a\n"
    "@=\"default\"\n"
    "\n"
    "[Software\\\\Beta\\\\Deep] 1796855689\n"
    "#time=1dd882d802e436b\n"
    ";; a comment that stays\n"
    "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,\\\n"
    "  17,18\n"
    "\"Link\"=hex(6):5c,00,52,00\n"
    "\n"
    "[Software\\\\Classes\\\\Linked] 1796855689\n"
    "#time=1dd882d802e436c\n"
    "#class=\"The \\\"class\\\"\"\n"
    "#link\n"
    "\n"
    "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] 1796855689\n"
    "#time=1dd882d802e436d\n"
    "\"RegisteredOwner\"=\"Wine\"\n";

const std::string kUserText =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Software\\\\Wine] 1796855689\n"
    "#time=1dd882d802e436a\n"
    "\"Version\"=\"win10\"\n";

const std::string kDefaultText =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\.Default\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Control Panel\\\\Desktop] 1796855689\n"
    "#time=1dd882d802e436a\n"
    "\"Wallpaper\"=\"\"\n";

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

using testing_support::Read;
using testing_support::Utf16z;

std::size_t FilesIn(const TempDir& dir) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(dir.File("")))) {
        ++count;
    }
    return count;
}

class Prefix : public ::testing::Test {
protected:
    Prefix() {
        Write(dir.File("system.reg"), kMachineText);
        Write(dir.File("user.reg"), kUserText);
        Write(dir.File("userdef.reg"), kDefaultText);
    }
    Hkey Create(Hkey root, const char16_t* path) {
        Hkey key = kNullKey;
        EXPECT_EQ(registry().RegCreateKeyExW(root, path, 0, nullptr, 0, kKeyAllAccess, nullptr,
                                             &key, nullptr),
                  kErrorSuccess);
        return key;
    }
    Long SetString(Hkey key, const char16_t* name, std::u16string_view text, Dword type = kRegSz) {
        const auto data = Utf16z(text);
        return registry().RegSetValueExW(key, name, 0, type, data.data(),
                                         static_cast<Dword>(data.size()));
    }
    std::optional<std::vector<std::uint8_t>> Query(Hkey root, const char16_t* path,
                                                   const char16_t* name, Dword* type = nullptr) {
        Hkey key = kNullKey;
        if (registry().RegOpenKeyExW(root, path, 0, kKeyAllAccess, &key) != kErrorSuccess) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> data(4096);
        Dword size = static_cast<Dword>(data.size());
        const Long status = registry().RegQueryValueExW(key, name, nullptr, type, data.data(), &size);
        registry().RegCloseKey(key);
        if (status != kErrorSuccess) return std::nullopt;
        data.resize(size);
        return data;
    }
    wine::WinePrefix& registry() {
        if (!opened) opened = std::make_unique<wine::WinePrefix>(dir.File(""));
        return *opened;
    }

    TempDir dir;
    std::unique_ptr<wine::WinePrefix> opened;
};

TEST(WineText, ReadsEveryValueFormAndEscape) {
    std::string fault;
    auto value = wine::ParseValueLine("\"A\\x00e9\\101\\n\"=\"x\\ty\\x263a!\"", fault);
    ASSERT_TRUE(value) << fault;
    EXPECT_EQ(value->name, u"A\u00e9A\n");
    EXPECT_EQ(value->value.type, kRegSz);
    EXPECT_EQ(value->value.data, Utf16z(u"x\ty\u263a!"));

    value = wine::ParseValueLine("@=str(7):\"a\\0b\\0\"", fault);
    ASSERT_TRUE(value) << fault;
    EXPECT_EQ(value->name, u"");
    EXPECT_EQ(value->value.type, kRegMultiSz);
    EXPECT_EQ(value->value.data, Utf16z(std::u16string(u"a\0b\0", 4)));

    value = wine::ParseValueLine("\"Q\"=hex(b):01,02,03,04,05,06,07,08", fault);
    ASSERT_TRUE(value) << fault;
    EXPECT_EQ(value->value.type, 11u);
    EXPECT_EQ(value->value.data, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));

    value = wine::ParseValueLine("\"D\"=dword:8000000f", fault);
    ASSERT_TRUE(value) << fault;
    EXPECT_EQ(value->value.data, (std::vector<std::uint8_t>{0x0f, 0, 0, 0x80}));

    value = wine::ParseValueLine("\"U\"=\"caf\xc3\xa9\"", fault);
    ASSERT_TRUE(value) << fault;
    EXPECT_EQ(value->value.data, Utf16z(u"caf\u00e9"));
}

TEST(WineText, RefusesMalformedValueLines) {
    for (const char* line : {"\"A\"=\"open", "\"A\"", "\"A\"=dword:123456789", "\"A\"=hex:0g",
                             "\"A\"=hex(:00", "\"A\"=word:1", "A=\"b\"", "\"A\"=\"b\" tail",
                             "\"A\"=\"\\x\"", "\"A\"=\"\xff\""}) {
        std::string fault;
        EXPECT_FALSE(wine::ParseValueLine(line, fault)) << line;
        EXPECT_FALSE(fault.empty()) << line;
    }
}

TEST(WineText, WritesValuesAsWineserverDoes) {
    std::string out;
    wine::WriteValueLine(u"Na\"me", {kRegSz, Utf16z(u"a\\b\u00e9c\u00e9\x01" u"7")}, out);
    wine::WriteValueLine(u"", {kRegExpandSz, Utf16z(u"%x%")}, out);
    wine::WriteValueLine(u"D", {kRegDword, {0x2a, 0, 0, 0}}, out);
    wine::WriteValueLine(u"Odd", {kRegSz, {0x41, 0x00, 0x42}}, out);
    EXPECT_EQ(out,
              "\"Na\\\"me\"=\"a\\\\b\\x00e9c\\xe9\\0017\"\n"
              "@=str(2):\"%x%\"\n"
              "\"D\"=dword:0000002a\n"
              "\"Odd\"=hex(1):41,00,42\n");

    // A line Wine wrote in a new prefix, wrapped where it wraps.
    std::vector<std::uint8_t> filter = {
        0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x60, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x30, 0x70, 0x69, 0x33, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x30, 0x74,
        0x79, 0x33, 0x00, 0x00, 0x00, 0x00, 0x60};
    out.clear();
    wine::WriteValueLine(u"FilterData", {kRegBinary, filter}, out);
    EXPECT_EQ(out,
              "\"FilterData\"=hex:02,00,00,00,00,00,60,00,02,00,00,00,00,00,00,00,30,70,69,33,\\\n"
              "  00,00,00,00,00,00,00,00,01,00,00,00,00,00,00,00,00,00,00,00,30,74,79,33,00,\\\n"
              "  00,00,00,60\n");
    std::string joined = out;
    for (std::size_t at; (at = joined.find("\\\n  ")) != std::string::npos;) joined.erase(at, 4);
    joined.pop_back();
    std::string fault;
    const auto back = wine::ParseValueLine(joined, fault);
    ASSERT_TRUE(back) << fault;
    EXPECT_EQ(back->value.data, filter);
}

TEST_F(Prefix, ServesEachRootFromItsFile) {
    EXPECT_EQ(registry().Family(), RegistryFamily::WindowsNt);
    EXPECT_FALSE(registry().Problem());
    Dword type = 0;
    EXPECT_EQ(Query(RootKey(kHkeyLocalMachine), u"Software\\Microsoft\\Windows NT\\CurrentVersion",
                    u"RegisteredOwner"),
              Utf16z(u"Wine"));
    EXPECT_EQ(Query(RootKey(kHkeyCurrentUser), u"Software\\Wine", u"Version"), Utf16z(u"win10"));
    EXPECT_EQ(Query(RootKey(kHkeyUsers), u"S-1-5-21-0-0-0-1000\\Software\\Wine", u"Version"),
              Utf16z(u"win10"));
    EXPECT_EQ(Query(RootKey(kHkeyUsers), u".DEFAULT\\Control Panel\\Desktop", u"Wallpaper", &type),
              Utf16z(u""));
    // A link with no target leads nowhere, as in Wine; it opens only as itself.
    Hkey linked = kNullKey;
    EXPECT_EQ(registry().RegOpenKeyExW(RootKey(kHkeyClassesRoot), u"Linked", 0, kKeyAllAccess, &linked),
              kErrorFileNotFound);
    EXPECT_EQ(registry().RegOpenKeyExW(RootKey(kHkeyClassesRoot), u"Linked", kRegOptionOpenLink,
                                       kKeyAllAccess, &linked),
              kErrorSuccess);
    registry().RegCloseKey(linked);

    EXPECT_EQ(Query(RootKey(kHkeyLocalMachine), u"Software\\Alpha", u"Text"),
              Utf16z(u"caf\u00e9 \"quoted\" back\\slash"));
    EXPECT_EQ(Query(RootKey(kHkeyLocalMachine), u"Software\\Alpha", u"Expand", &type),
              Utf16z(u"%ProgramFiles%\\x"));
    EXPECT_EQ(type, kRegExpandSz);
    EXPECT_EQ(Query(RootKey(kHkeyLocalMachine), u"Software\\Alpha", u"", &type), Utf16z(u"default"));
    EXPECT_EQ(Query(RootKey(kHkeyLocalMachine), u"Software\\Alpha", u"Number", &type),
              (std::vector<std::uint8_t>{0x2a, 0, 0, 0}));
    EXPECT_EQ(type, kRegDword);
    const auto blob = Query(RootKey(kHkeyLocalMachine), u"Software\\Beta\\Deep", u"Blob", &type);
    ASSERT_TRUE(blob);
    EXPECT_EQ(blob->size(), 25u);
    EXPECT_EQ(blob->back(), 0x18);
    EXPECT_EQ(type, kRegBinary);

    Dword subKeys = 0;
    EXPECT_EQ(registry().RegQueryInfoKeyW(RootKey(kHkeyUsers), nullptr, nullptr, nullptr, &subKeys,
                                          nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                          nullptr),
              kErrorSuccess);
    EXPECT_EQ(subKeys, 2u);
}

TEST_F(Prefix, ChangeRewritesOnlyTheTouchedKeysThroughARename) {
    // The old file, held open, keeps its text: the new one was renamed over it.
    std::ifstream old(dir.File("system.reg"), std::ios::binary);
    ::chmod(dir.File("system.reg").c_str(), 0640);
    const Hkey key = Create(RootKey(kHkeyLocalMachine), u"Software\\Microsoft\\Windows NT\\CurrentVersion");
    ASSERT_EQ(SetString(key, u"RegisteredOwner", u"Ada \u00c5"), kErrorSuccess);
    ASSERT_EQ(SetString(key, u"RegisteredOrganization", u"Org"), kErrorSuccess);
    registry().RegCloseKey(key);

    const std::string after = Read(dir.File("system.reg"));
    const std::string kept = kMachineText.substr(0, kMachineText.find("[Software\\\\Microsoft"));
    ASSERT_EQ(after.substr(0, kept.size()), kept);
    const std::string rewritten = after.substr(kept.size());
    EXPECT_EQ(rewritten.substr(0, rewritten.find(']') + 2),
              "[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] ");
    EXPECT_NE(rewritten.find("\n#time="), std::string::npos);
    // The new value goes where Wine keeps it: "RegisteredOrg..." before "RegisteredOw...".
    EXPECT_NE(rewritten.find("\n\"RegisteredOrganization\"=\"Org\"\n\"RegisteredOwner\"=\"Ada \\xc5\"\n"),
              std::string::npos);
    EXPECT_EQ(Read(dir.File("user.reg")), kUserText);
    EXPECT_EQ(Read(dir.File("userdef.reg")), kDefaultText);

    std::stringstream oldText;
    oldText << old.rdbuf();
    EXPECT_EQ(oldText.str(), kMachineText);
    struct stat now {};
    ASSERT_EQ(::stat(dir.File("system.reg").c_str(), &now), 0);
    EXPECT_EQ(now.st_mode & 0777, 0640u);
    EXPECT_EQ(FilesIn(dir), 3u);

    // Another reader of the file sees every value, old and new.
    wine::WineFileTree again(dir.File("system.reg"), u"Machine");
    const auto alpha = again.FindChild(*again.FindChild(wine::WineFileTree::kBaseKey, u"software"), u"ALPHA");
    ASSERT_TRUE(alpha);
    EXPECT_EQ(again.Values(*alpha).size(), 5u);
}

// After writing, the tree takes the text it wrote as the file's without reading it again:
// what it writes next is what a fresh reading of the file would write, and what a batch
// that failed changed is put back.
TEST_F(Prefix, ChangesInTurnWriteWhatAFreshReadingWould) {
    const auto change = [](wine::WinePrefix& prefix, int step) {
        Hkey key = kNullKey;
        const char16_t* paths[] = {u"Software\\Alpha", u"Software\\New\\Deeper",
                                   u"Software\\Beta\\Deep", u"Software\\Alpha"};
        ASSERT_EQ(prefix.RegCreateKeyExW(RootKey(kHkeyLocalMachine), paths[step], 0, nullptr, 0,
                                         kKeyAllAccess, nullptr, &key, nullptr),
                  kErrorSuccess);
        const auto data = Utf16z(u"step");
        const char16_t* names[] = {u"Added", u"Made", u"_First", u"Text"};
        if (step == 3) {
            EXPECT_EQ(prefix.RegDeleteValueW(key, names[step]), kErrorSuccess);
        } else {
            EXPECT_EQ(prefix.RegSetValueExW(key, names[step], 0, kRegSz, data.data(),
                                            static_cast<Dword>(data.size())),
                      kErrorSuccess);
        }
        prefix.RegCloseKey(key);
    };
    TempDir fresh;
    for (int step = 0; step < 4; ++step) {
        change(registry(), step);
        Write(fresh.File("system.reg"), step ? Read(fresh.File("system.reg")) : kMachineText);
        Write(fresh.File("user.reg"), kUserText);
        Write(fresh.File("userdef.reg"), kDefaultText);
        wine::WinePrefix reread(fresh.File(""));
        change(reread, step);
        // Times differ by the moment of each change; the rest is the same to the byte.
        auto untimed = [](std::string text) {
            for (std::size_t at = 0; (at = text.find("] 1", at)) != std::string::npos;) {
                const std::size_t end = text.find('\n', text.find("#time=", at));
                text.erase(at, end - at);
            }
            return text;
        };
        EXPECT_EQ(untimed(Read(dir.File("system.reg"))), untimed(Read(fresh.File("system.reg"))))
            << "step " << step;
    }
    EXPECT_NE(Read(dir.File("system.reg")).find("\"_First\"=\"step\"\n\"Blob\""), std::string::npos);
}

TEST_F(Prefix, NewKeysGoAtTheEndAndDeletedKeysLeaveNoLines) {
    const Hkey made = Create(RootKey(kHkeyCurrentUser), u"Software\\Vantrel\\Empty");
    registry().RegCloseKey(made);
    std::string user = Read(dir.File("user.reg"));
    ASSERT_EQ(user.substr(0, kUserText.size()), kUserText);
    const std::string added = "\n[Software\\\\Vantrel\\\\Empty] ";
    EXPECT_EQ(user.substr(kUserText.size(), added.size()), added);

    EXPECT_EQ(registry().RegDeleteKeyW(RootKey(kHkeyCurrentUser), u"Software\\Vantrel\\Empty"),
              kErrorSuccess);
    user = Read(dir.File("user.reg"));
    // The parent is kept: without values or subkeys it needs a section of its own.
    EXPECT_EQ(user.find("Empty"), std::string::npos);
    EXPECT_NE(user.find("[Software\\\\Vantrel] "), std::string::npos);

    EXPECT_EQ(registry().RegDeleteKeyW(RootKey(kHkeyLocalMachine), u"Software\\Beta\\Deep"),
              kErrorSuccess);
    const std::string machine = Read(dir.File("system.reg"));
    EXPECT_EQ(machine.find("Deep"), std::string::npos);
    EXPECT_NE(machine.find("[Software\\\\Beta] "), std::string::npos);
    EXPECT_NE(machine.find("#class=\"The \\\"class\\\"\"\n#link\n"), std::string::npos);

    // Written text reads back the same.
    opened.reset();
    Hkey beta = kNullKey;
    EXPECT_EQ(registry().RegOpenKeyExW(RootKey(kHkeyLocalMachine), u"Software\\Beta", 0,
                                       kKeyAllAccess, &beta),
              kErrorSuccess);
    EXPECT_EQ(Query(RootKey(kHkeyUsers), u".Default\\Control Panel\\Desktop", u"Wallpaper"),
              Utf16z(u""));
}

TEST_F(Prefix, FileWithALineItCannotReadIsRefusedAndLeftAlone) {
    const std::string broken = kMachineText + "\n[Software\\\\Gamma] 1\nthis is no line\n";
    Write(dir.File("system.reg"), broken);
    EXPECT_EQ(Query(RootKey(kHkeyLocalMachine), u"Software\\Alpha", u"Text"), std::nullopt);
    ASSERT_TRUE(registry().Problem());
    const std::string line = std::to_string(std::count(kMachineText.begin(), kMachineText.end(), '\n') + 3);
    EXPECT_NE(registry().Problem()->find(dir.File("system.reg") + ", line " + line + ":"),
              std::string::npos)
        << *registry().Problem();
    Hkey key = kNullKey;
    EXPECT_EQ(registry().RegCreateKeyExW(RootKey(kHkeyCurrentUser), u"Software\\X", 0, nullptr, 0,
                                         kKeyAllAccess, nullptr, &key, nullptr),
              kErrorBadDb);
    EXPECT_EQ(Read(dir.File("system.reg")), broken);
    EXPECT_EQ(Read(dir.File("user.reg")), kUserText);

    for (const std::string& foreign : {std::string("REGEDIT4\n"), std::string(),
                                       std::string("WINE REGISTRY Version 2\nnoise\n")}) {
        Write(dir.File("userdef.reg"), foreign);
        EXPECT_THROW(wine::WineFileTree(dir.File("userdef.reg"), u".Default"), wine::WineFileError);
    }
}

TEST_F(Prefix, AnotherProgramsRewriteIsSeenAndHandlesStay) {
    const Hkey key = Create(RootKey(kHkeyLocalMachine), u"Software\\Alpha");
    Write(dir.File("system.reg"), kMachineText + "\n[Software\\\\Alpha] 1\n\"Later\"=\"yes\"\n");
    // A key listed twice is refused rather than merged.
    std::vector<std::uint8_t> data(64);
    Dword size = 64;
    EXPECT_EQ(registry().RegQueryValueExW(key, u"Later", nullptr, nullptr, data.data(), &size),
              kErrorBadDb);

    std::string text = kMachineText;
    text.insert(text.find("@=\"default\""), "\"Later\"=\"yes\"\n");
    Write(dir.File("system.reg"), text);
    size = 64;
    EXPECT_EQ(registry().RegQueryValueExW(key, u"Later", nullptr, nullptr, data.data(), &size),
              kErrorSuccess);
    EXPECT_EQ(size, 8u);
}

TEST_F(Prefix, ABatchWritesEveryFileOrNone) {
    {
        auto batch = registry().BeginBatch();
        ASSERT_TRUE(batch);
        const Hkey machine = Create(RootKey(kHkeyLocalMachine), u"Software\\Both");
        const Hkey user = Create(RootKey(kHkeyCurrentUser), u"Software\\Both");
        EXPECT_EQ(SetString(machine, u"A", u"1"), kErrorSuccess);
        EXPECT_EQ(SetString(user, u"B", u"2"), kErrorSuccess);
        EXPECT_EQ(Read(dir.File("system.reg")), kMachineText);
        EXPECT_EQ(Read(dir.File("user.reg")), kUserText);
    }
    // Not committed: nothing is written and nothing is kept.
    EXPECT_EQ(Read(dir.File("system.reg")), kMachineText);
    EXPECT_EQ(Query(RootKey(kHkeyLocalMachine), u"Software\\Both", u"A"), std::nullopt);

    auto batch = registry().BeginBatch();
    const Hkey machine = Create(RootKey(kHkeyLocalMachine), u"Software\\Both");
    const Hkey user = Create(RootKey(kHkeyCurrentUser), u"Software\\Both");
    EXPECT_EQ(SetString(machine, u"A", u"1"), kErrorSuccess);
    EXPECT_EQ(SetString(user, u"B", u"2"), kErrorSuccess);
    ASSERT_TRUE(batch->Commit()) << batch->Fault();
    EXPECT_NE(Read(dir.File("system.reg")).find("[Software\\\\Both]"), std::string::npos);
    EXPECT_NE(Read(dir.File("user.reg")).find("\"B\"=\"2\""), std::string::npos);
    EXPECT_EQ(Read(dir.File("userdef.reg")), kDefaultText);
    EXPECT_EQ(FilesIn(dir), 3u);
}

// A batch puts back what it changed, and only that: a key it deleted comes back with its
// values, one it made goes, and an inner batch that failed leaves the outer one's changes.
TEST(WineFileBatch, WhatABatchChangedIsPutBackAndNothingElse) {
    TempDir dir;
    Write(dir.File("system.reg"), kMachineText);
    wine::WineFileTree tree(dir.File("system.reg"), u"Machine");
    const NodeId base = wine::WineFileTree::kBaseKey;
    const NodeId software = *tree.FindChild(base, u"Software");
    const NodeId alpha = *tree.FindChild(software, u"Alpha");
    const NodeId deep = *tree.FindChild(*tree.FindChild(software, u"Beta"), u"Deep");
    const auto valuesOf = [&](NodeId key) {
        std::vector<std::u16string> names;
        for (const auto& [name, value] : tree.Values(key)) names.push_back(name);
        return names;
    };
    const auto alphaValues = valuesOf(alpha);
    const std::uint8_t data[] = {1, 0, 0, 0};
    {
        auto outer = tree.BeginBatch();
        tree.SetValue(alpha, u"Outer", kRegDword, data, sizeof data);
        {
            auto inner = tree.BeginBatch();
            tree.DeleteValue(alpha, u"Text");
            const NodeId made = tree.CreateChild(software, u"Made");
            tree.SetValue(made, u"V", kRegDword, data, sizeof data);
            tree.DeleteLeaf(deep);
        }
        // The inner batch went without a commit: the outer one's value alone is there.
        EXPECT_TRUE(tree.FindValue(alpha, u"Outer"));
        EXPECT_TRUE(tree.FindValue(alpha, u"Text"));
        EXPECT_FALSE(tree.FindChild(software, u"Made"));
        EXPECT_TRUE(tree.Exists(deep));
        EXPECT_EQ(tree.FindValue(deep, u"Blob")->data.size(), 25u);
        {
            auto inner = tree.BeginBatch();
            tree.DeleteLeaf(deep);
            tree.CreateChild(software, u"Kept");
            inner->Commit();
        }
        EXPECT_FALSE(tree.Exists(deep));
    }
    // The outer batch went without one too: everything is as it was read, and unwritten.
    EXPECT_EQ(valuesOf(alpha), alphaValues);
    EXPECT_TRUE(tree.Exists(deep));
    EXPECT_EQ(*tree.FindChild(*tree.FindChild(software, u"Beta"), u"Deep"), deep);
    EXPECT_FALSE(tree.FindChild(software, u"Kept"));
    EXPECT_EQ(Read(dir.File("system.reg")), kMachineText);
    // And a change after all that writes only itself.
    {
        auto batch = tree.BeginBatch();
        tree.SetValue(alpha, u"After", kRegDword, data, sizeof data);
        batch->Commit();
    }
    const std::string text = Read(dir.File("system.reg"));
    EXPECT_NE(text.find("\"After\"=dword:00000001"), std::string::npos);
    EXPECT_NE(text.find("[Software\\\\Beta\\\\Deep]"), std::string::npos);
    EXPECT_EQ(text.find("Kept"), std::string::npos);
}

TEST_F(Prefix, TheUsersKeysStandForTheFiles) {
    EXPECT_EQ(registry().RegDeleteKeyW(RootKey(kHkeyUsers), u".Default"), kErrorAccessDenied);
    Hkey key = kNullKey;
    EXPECT_EQ(registry().RegCreateKeyExW(RootKey(kHkeyUsers), u"S-1-5-99", 0, nullptr, 0,
                                         kKeyAllAccess, nullptr, &key, nullptr),
              kErrorAccessDenied);
    EXPECT_EQ(Read(dir.File("userdef.reg")), kDefaultText);
}

// Wine's server keeps names in lower-case order: "_" and the signs between "Z" and "a" come
// before the letters, where an upper-case order puts them after.
TEST_F(Prefix, SubkeysAndValuesAreListedInWinesOrder) {
    const std::vector<std::u16string> made = {u"Zeta",   u"alpha",   u"_Under", u"[bracket",
                                              u"AB",     u"a",       u"^caret", u"\u00C9clair",
                                              u"alpha2", u"~tilde"};
    const std::vector<std::u16string> wineOrder = {u"[bracket", u"^caret", u"_Under", u"a",
                                                   u"AB",       u"alpha",  u"alpha2", u"Zeta",
                                                   u"~tilde",   u"\u00C9clair"};
    Hkey order = Create(RootKey(kHkeyCurrentUser), u"Software\\Order");
    for (const auto& name : made) {
        Hkey sub = Create(order, name.c_str());
        registry().RegCloseKey(sub);
        EXPECT_EQ(SetString(order, name.c_str(), name), kErrorSuccess);
    }
    std::vector<std::u16string> keys, values;
    char16_t name[64];
    Dword length = 64;
    for (Dword i = 0; registry().RegEnumKeyExW(order, i, name, &length, nullptr, nullptr, nullptr,
                                               nullptr) == kErrorSuccess;
         ++i, length = 64) {
        keys.emplace_back(name, length);
    }
    for (Dword i = 0; registry().RegEnumValueW(order, i, name, &length, nullptr, nullptr, nullptr,
                                               nullptr) == kErrorSuccess;
         ++i, length = 64) {
        values.emplace_back(name, length);
    }
    registry().RegCloseKey(order);
    EXPECT_EQ(keys, wineOrder);
    EXPECT_EQ(values, wineOrder);
    // The key's section holds its values in that order too, as wineserver writes them.
    const std::string text = Read(dir.File("user.reg"));
    EXPECT_LT(text.find("\"[bracket\"="), text.find("\"_Under\"="));
    EXPECT_LT(text.find("\"_Under\"="), text.find("\"a\"="));
    EXPECT_LT(text.find("\"Zeta\"="), text.find("\"~tilde\"="));
}

TEST_F(Prefix, ValuesAFileGivesOutOfOrderAreListedInOrderAndLeftInPlace) {
    const std::string text = kUserText + "\n[Software\\\\Unsorted] 1796855689\n"
                                         "\"b\"=\"2\"\n\"_u\"=\"3\"\n\"A\"=\"1\"\n";
    Write(dir.File("user.reg"), text);
    Hkey key = kNullKey;
    ASSERT_EQ(registry().RegOpenKeyExW(RootKey(kHkeyCurrentUser), u"Software\\Unsorted", 0,
                                       kKeyAllAccess, &key),
              kErrorSuccess);
    std::vector<std::u16string> values;
    char16_t name[16];
    Dword length = 16;
    for (Dword i = 0; registry().RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr,
                                               nullptr) == kErrorSuccess;
         ++i, length = 16) {
        values.emplace_back(name, length);
    }
    registry().RegCloseKey(key);
    EXPECT_EQ(values, (std::vector<std::u16string>{u"_u", u"A", u"b"}));
    Hkey other = Create(RootKey(kHkeyCurrentUser), u"Software\\Elsewhere");
    registry().RegCloseKey(other);
    EXPECT_EQ(Read(dir.File("user.reg")).rfind(text, 0), 0u);
}

// The fuzzer's corpus holds files Wine wrote and the forms it writes: each reads whole, and
// a change writes it as text that reads again.
TEST(WineCorpus, EveryFileIsReadAndWrittenBack) {
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(VANTREL_WINE_CORPUS)) {
        TempDir dir;
        std::filesystem::copy_file(entry.path(), dir.File("user.reg"));
        wine::WineFileTree tree(dir.File("user.reg"), u".Default");
        {
            const auto batch = tree.BeginBatch();
            const auto key = tree.CreateChild(wine::WineFileTree::kBaseKey, u"Added");
            const std::uint8_t data[] = {1, 2, 3};
            tree.SetValue(key, u"V", kRegBinary, data, sizeof data);
            batch->Commit();
        }
        const std::string before = Read(entry.path().string());
        const std::string after = Read(dir.File("user.reg"));
        EXPECT_EQ(after.substr(0, before.size()), before) << entry.path();
        EXPECT_NO_THROW(wine::WineFileTree(dir.File("user.reg"), u".Default")) << entry.path();
        ++files;
    }
    EXPECT_GE(files, 3u);
}

// Every key below the base with its values, by path: what a reader of the tree sees.
std::map<std::u16string, std::vector<std::pair<std::u16string, std::pair<Dword, std::vector<std::uint8_t>>>>>
Listing(wine::WineFileTree& tree) {
    std::map<std::u16string, std::vector<std::pair<std::u16string, std::pair<Dword, std::vector<std::uint8_t>>>>> all;
    const std::function<void(NodeId, const std::u16string&)> visit = [&](NodeId key, const std::u16string& path) {
        auto& values = all[path];
        for (auto& [name, value] : tree.Values(key)) values.push_back({name, {value.type, value.data}});
        for (const auto& name : tree.ChildNames(key)) visit(*tree.FindChild(key, name), path + u"\\" + name);
    };
    visit(wine::WineFileTree::kBaseKey, u"");
    return all;
}

void SetText(wine::WineFileTree& tree, const std::vector<std::u16string>& path, const char16_t* name,
             std::u16string_view text) {
    NodeId key = wine::WineFileTree::kBaseKey;
    auto batch = tree.BeginBatch();
    for (const auto& part : path) {
        const auto found = tree.FindChild(key, part);
        key = found ? *found : tree.CreateChild(key, part);
    }
    const auto data = Utf16z(text);
    tree.SetValue(key, name, kRegSz, data.data(), data.size());
    batch->Commit();
}

// A key's values are decoded from its lines only when first asked for, so keys nobody read
// before a write must still be found where the write left their lines: the first and the last
// key of the file rewritten, and the keys between read afterwards.
TEST(WineFileSections, KeysFirstReadAfterAWriteHoldWhatTheFileSaid) {
    TempDir dir;
    // A name given twice keeps its first place and its last data, as Wine loads it.
    std::string text = kMachineText;
    text.insert(text.find("\"Link\"="), "\"blob\"=dword:00000007\n");
    Write(dir.File("system.reg"), text);
    wine::WineFileTree tree(dir.File("system.reg"), u"Machine");
    const auto original = Listing(*std::make_unique<wine::WineFileTree>(dir.File("system.reg"), u"Machine"));

    SetText(tree, {u"Software", u"Alpha"}, u"Added", std::u16string(300, u'a'));
    std::string written = Read(dir.File("system.reg"));
    const std::size_t alpha = text.find("[Software\\\\Alpha]"), beta = text.find("[Software\\\\Beta");
    EXPECT_EQ(written.substr(0, alpha), text.substr(0, alpha));
    EXPECT_EQ(written.substr(written.find("[Software\\\\Beta")), text.substr(beta));

    SetText(tree, {u"Software", u"Microsoft", u"Windows NT", u"CurrentVersion"}, u"RegisteredOwner", u"Ada");
    const std::string last = Read(dir.File("system.reg"));
    const std::size_t lastKey = last.find("[Software\\\\Microsoft");
    EXPECT_EQ(last.substr(0, lastKey), written.substr(0, written.find("[Software\\\\Microsoft")));

    auto seen = Listing(tree);
    wine::WineFileTree reread(dir.File("system.reg"), u"Machine");
    EXPECT_EQ(seen, Listing(reread));
    const auto& deep = seen[u"\\Software\\Beta\\Deep"];
    ASSERT_EQ(deep.size(), 2u);
    EXPECT_EQ(deep[0].first, u"Blob");
    EXPECT_EQ(deep[0].second.first, kRegDword);
    EXPECT_EQ(deep, original.at(u"\\Software\\Beta\\Deep"));
    EXPECT_EQ(seen[u"\\Software\\Alpha"].size(), original.at(u"\\Software\\Alpha").size() + 1);
}

// Lines that end in CR LF, and a last line with no line end at all, are read as Wine reads
// them and kept as they were when another key changes.
TEST(WineFileSections, CrLfLinesAndAnUnendedLastLineAreReadAndKept) {
    TempDir dir;
    std::string text;
    for (const char c : kMachineText) {
        if (c == '\n') text += '\r';
        text += c;
    }
    text.resize(text.size() - 2);
    Write(dir.File("system.reg"), text);
    wine::WineFileTree tree(dir.File("system.reg"), u"Machine");
    const NodeId current = *tree.FindChild(
        *tree.FindChild(*tree.FindChild(*tree.FindChild(wine::WineFileTree::kBaseKey, u"Software"), u"Microsoft"),
                        u"Windows NT"),
        u"CurrentVersion");
    EXPECT_EQ(tree.FindValue(current, u"RegisteredOwner")->data, Utf16z(u"Wine"));

    SetText(tree, {u"Software", u"Alpha"}, u"Text", u"new");
    const std::string written = Read(dir.File("system.reg"));
    const std::size_t beta = text.find("[Software\\\\Beta");
    EXPECT_EQ(written.substr(written.find("[Software\\\\Beta")), text.substr(beta));
    wine::WineFileTree reread(dir.File("system.reg"), u"Machine");
    EXPECT_EQ(Listing(tree), Listing(reread));
    EXPECT_EQ(Listing(tree).at(u"\\Software\\Beta\\Deep").at(0).second.second.size(), 25u);

    SetText(tree, {u"Software", u"Microsoft", u"Windows NT", u"CurrentVersion"}, u"Added", u"x");
    wine::WineFileTree again(dir.File("system.reg"), u"Machine");
    EXPECT_EQ(Listing(tree), Listing(again));
    EXPECT_EQ(tree.FindValue(current, u"RegisteredOwner")->data, Utf16z(u"Wine"));
}

// Values are only checked when the file is read, not decoded; a fault in the last of
// thousands of keys, in a line that continues a value, still refuses the file whole.
TEST_F(Prefix, AFaultDeepInALargeFileRefusesEveryWrite) {
    std::string text = kMachineText;
    for (int i = 0; i < 3000; ++i) {
        text += "\n[Software\\\\Bulk\\\\Key" + std::to_string(i) + "] 1796855689\n#time=1dd882d802e436a\n"
                "\"Name\"=\"value " + std::to_string(i) + "\"\n\"Data\"=hex:00,01,02,\\\n  03,04\n";
    }
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    // Whole, the file's keys outgrow the first chunk of the arena they are read into.
    Write(dir.File("system.reg"), text);
    {
        wine::WineFileTree whole(dir.File("system.reg"), u"Machine");
        const auto listing = Listing(whole);
        EXPECT_EQ(listing.size(), 3000u + 11u);
        EXPECT_EQ(listing.at(u"\\Software\\Bulk\\Key2999").at(0).second.second,
                  (std::vector<std::uint8_t>{0, 1, 2, 3, 4}));
    }
    text.replace(text.rfind("  03,04"), 7, "  03,g4");
    Write(dir.File("system.reg"), text);
    Hkey key = kNullKey;
    EXPECT_EQ(registry().RegCreateKeyExW(RootKey(kHkeyLocalMachine), u"Software\\Alpha", 0, nullptr, 0,
                                         kKeyAllAccess, nullptr, &key, nullptr),
              kErrorBadDb);
    ASSERT_TRUE(registry().Problem());
    // The line the value begins on, the one before its continuation.
    EXPECT_NE(registry().Problem()->find(dir.File("system.reg") + ", line " + std::to_string(lines - 1) +
                                         ": a byte of hex data is not hexadecimal"),
              std::string::npos)
        << *registry().Problem();
    EXPECT_EQ(Read(dir.File("system.reg")), text);
}

// A prefix writes each file before it commits the files' batches; when a later file cannot
// be replaced, the batch of one already written is left without a commit and must hold what
// its file now holds, new keys included, and write on from there.
TEST(WineFileBatch, ABatchLeftAfterItsFileWasWrittenHoldsWhatWasWritten) {
    TempDir dir;
    Write(dir.File("system.reg"), kMachineText);
    wine::WineFileTree tree(dir.File("system.reg"), u"Machine");
    const NodeId software = *tree.FindChild(wine::WineFileTree::kBaseKey, u"Software");
    {
        auto batch = tree.BeginBatch();
        const std::uint8_t data[] = {7, 0, 0, 0};
        tree.SetValue(tree.CreateChild(software, u"Made"), u"V", kRegDword, data, sizeof data);
        tree.DeleteValue(*tree.FindChild(software, u"Alpha"), u"Text");
        ASSERT_TRUE(tree.PrepareSave());
        tree.InstallSave();
    }
    wine::WineFileTree reread(dir.File("system.reg"), u"Machine");
    EXPECT_EQ(Listing(tree), Listing(reread));
    EXPECT_TRUE(tree.FindChild(software, u"Made"));

    SetText(tree, {u"Software", u"Beta"}, u"After", u"x");
    wine::WineFileTree again(dir.File("system.reg"), u"Machine");
    EXPECT_EQ(Listing(tree), Listing(again));
    EXPECT_NE(Read(dir.File("system.reg")).find("[Software\\\\Made] "), std::string::npos);
}

// The buffers a file is read into and written from: their text survives a move and a resize
// within what was mapped, in small pages and in huge ones, and nothing is written past it.
TEST(WinePageBuffer, HoldsItsTextWithinItsCapacity) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{5}, std::size_t{3} << 20}) {
        std::string text(size, 'x');
        for (std::size_t i = 0; i < size; i += 4093) text[i] = static_cast<char>('a' + i % 26);
        wine::PageBuffer copy = wine::PageBuffer::Copy(text);
        EXPECT_EQ(copy.view(), text);
        EXPECT_GE(copy.capacity(), size);
        wine::PageBuffer moved(std::move(copy));
        EXPECT_EQ(copy.size(), 0u);
        EXPECT_EQ(moved.view(), text);
        if (size) {
            moved.resize(size - 1);
            EXPECT_EQ(moved.view(), text.substr(0, size - 1));
        }
        EXPECT_THROW(moved.resize(moved.capacity() + 1), std::bad_alloc);
        moved = wine::PageBuffer::Copy("other");
        EXPECT_EQ(moved.view(), "other");
    }
}

TEST(WinePrefixFolder, IsFoundByItsFilesInAnyCase) {
    TempDir dir;
    EXPECT_FALSE(wine::WinePrefix::IsPrefix(dir.File("")));
    Write(dir.File("SYSTEM.REG"), kMachineText);
    Write(dir.File("User.reg"), kUserText);
    EXPECT_FALSE(wine::WinePrefix::IsPrefix(dir.File("")));
    Write(dir.File("userdef.reg"), kDefaultText);
    EXPECT_TRUE(wine::WinePrefix::IsPrefix(dir.File("")));
    wine::WinePrefix prefix(dir.File(""));
    EXPECT_FALSE(prefix.Problem());
    Write(dir.File("system.reg.vantrel-x"), "");
    EXPECT_EQ(platform::posix::FindEntry(dir.File(""), "system.reg"), dir.File("SYSTEM.REG"));
}

}  // namespace
