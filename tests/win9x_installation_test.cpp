// A Windows 9x installation's registry files behind the registry functions: where its files
// are found, which file serves each root, every change written through a temporary file
// with the original kept, and the changes refused before anything is written.
#include "platform/creg/win9x_installation.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "creg_export.h"
#include "file_bytes.h"
#include "platform/creg/hive_bytes.h"
#include "platform/named/named_installation.h"
#include "temp_dir.h"

using namespace platform;
using creg::HiveValue;
using creg::Win9xInstallation;
using testing_support::Read;
using testing_support::TempDir;
using testing_support::Utf16z;

namespace {

HiveValue Value(std::string name, std::uint32_t type, std::string data) {
    HiveValue value;
    value.name = std::move(name);
    value.type = type;
    value.data = std::move(data);
    return value;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string SystemDat(bool profiles = false) {
    creg::Hive hive = creg::NewHive();
    const auto software = creg::AddKey(hive, 0, "SOFTWARE");
    const auto windows = creg::AddKey(hive, creg::AddKey(hive, software, "Microsoft"), "Windows");
    hive.keys[creg::AddKey(hive, windows, "CurrentVersion")].values = {
        Value("RegisteredOwner", 1, std::string("Ada\0", 4)),
        Value("RegisteredOrganization", 1, "Engines"),  // no NUL, as some setups wrote it
        Value("ProductId", 1, std::string("12345-OEM-0012345-12345\0", 24)),
        Value("ProductKey", 1, std::string("ABCDE-FGHIJ\0", 12))};
    creg::AddKey(hive, software, "Classes");
    std::string one;
    creg::Append32(one, profiles ? 1 : 0);
    hive.keys[creg::AddKey(hive, creg::AddKey(hive, 0, "Network"), "Logon")].values = {
        Value("UserProfiles", 4, one)};
    return creg::WriteHive(hive);
}

std::string UserDat(const std::string& top, const std::string& owner) {
    creg::Hive hive = creg::NewHive();
    std::size_t parent = 0;
    if (!top.empty()) parent = creg::AddKey(hive, 0, top);
    const auto info = creg::AddKey(
        hive,
        creg::AddKey(hive, creg::AddKey(hive, creg::AddKey(hive, parent, "Software"), "Microsoft"),
                     "MS Setup (ACME)"),
        "User Info");
    hive.keys[info].values = {Value("DefName", 1, owner + '\0')};
    return creg::WriteHive(hive);
}

std::u16string QueryString(TreeRegistry& registry, Dword root, const char16_t* path,
                           const char16_t* name, Long* status = nullptr) {
    Hkey key = kNullKey;
    Long result = registry.RegOpenKeyExW(RootKey(root), path, 0, kKeyAllAccess, &key);
    std::u16string text;
    if (result == kErrorSuccess) {
        std::uint8_t data[512] = {};
        Dword size = sizeof data;
        Dword type = 0;
        result = registry.RegQueryValueExW(key, name, nullptr, &type, data, &size);
        if (result == kErrorSuccess) {
            for (Dword i = 0; i + 1 < size; i += 2) {
                const auto c = static_cast<char16_t>(data[i] | data[i + 1] << 8);
                if (c) text.push_back(c);
            }
        }
        registry.RegCloseKey(key);
    }
    if (status) *status = result;
    return text;
}

Long SetString(TreeRegistry& registry, Dword root, const char16_t* path, const char16_t* name,
               std::u16string_view text) {
    Hkey key = kNullKey;
    Long status = registry.RegCreateKeyExW(RootKey(root), path, 0, nullptr, 0, kKeyAllAccess,
                                           nullptr, &key, nullptr);
    if (status != kErrorSuccess) return status;
    const auto bytes = Utf16z(text);
    status = registry.RegSetValueExW(key, name, 0, kRegSz, bytes.data(),
                                     static_cast<Dword>(bytes.size()));
    registry.RegCloseKey(key);
    return status;
}

ino_t Inode(const std::string& path) {
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status.st_ino;
}

class Win9xInstallationTest : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(dir_.File("Windows"));
        WriteFile(System(), SystemDat());
        WriteFile(User(), UserDat(".DEFAULT", "Default Ada"));
    }
    std::string System() const { return dir_.File("Windows/SYSTEM.DAT"); }
    std::string User() const { return dir_.File("Windows/user.dat"); }
    Win9xInstallation Open(std::optional<std::string> profile = std::nullopt) {
        auto files = Win9xInstallation::Find(dir_.File("Windows"));
        EXPECT_TRUE(files);
        return Win9xInstallation(*files, creg::HiveText(1252), std::move(profile));
    }
    TempDir dir_;
};

TEST_F(Win9xInstallationTest, TheFilesAreFoundFromTheWindowsFolderOrTheDriveRoot) {
    const auto direct = Win9xInstallation::Find(dir_.File("Windows"));
    ASSERT_TRUE(direct);
    EXPECT_EQ(direct->system, System());
    EXPECT_EQ(direct->user, User());
    EXPECT_FALSE(direct->classes);
    // A drive root: the folder that holds them...
    const auto below = Win9xInstallation::Find(dir_.File("."));
    ASSERT_TRUE(below);
    EXPECT_EQ(below->windowsFolder, dir_.File("./Windows"));
    // ...or the one MSDOS.SYS names, in whatever case the disk has it.
    std::filesystem::create_directories(dir_.File("win98/Sys"));
    std::filesystem::copy(System(), dir_.File("win98/Sys/system.dat"));
    std::filesystem::copy(User(), dir_.File("win98/Sys/USER.DAT"));
    WriteFile(dir_.File("MSDOS.SYS"),
              "[Paths]\r\nWinDir=C:\\WIN98\\SYS\r\nWinBootDir=C:\\WIN98\r\n"
              "HostWinBootDrv=C\r\n\r\n[Options]\r\nBootGUI=1\r\n;xxxxxxxx\r\n");
    const auto named = Win9xInstallation::Find(dir_.File("."));
    ASSERT_TRUE(named);
    EXPECT_EQ(named->system, dir_.File("./win98/Sys/system.dat"));
    // A folder with one of the two files is no installation.
    std::filesystem::remove(dir_.File("win98/Sys/USER.DAT"));
    std::filesystem::remove(User());
    EXPECT_FALSE(Win9xInstallation::Find(dir_.File("win98/Sys")));
    EXPECT_FALSE(Win9xInstallation::Find(dir_.File("Windows")));
    EXPECT_FALSE(Win9xInstallation::Find(System()));
}

TEST_F(Win9xInstallationTest, TheRootsAreTheFilesAndCurrentUserIsTheDefaultUser) {
    Win9xInstallation registry = Open();
    EXPECT_FALSE(registry.Problem()) << *registry.Problem();
    EXPECT_EQ(registry.Family(), RegistryFamily::Windows9x);
    const char16_t* version = u"Software\\Microsoft\\Windows\\CurrentVersion";
    EXPECT_EQ(QueryString(registry, kHkeyLocalMachine, version, u"RegisteredOwner"), u"Ada");
    // A string kept without its NUL reads as one with it.
    EXPECT_EQ(QueryString(registry, kHkeyLocalMachine, version, u"RegisteredOrganization"),
              u"Engines");
    EXPECT_EQ(QueryString(registry, kHkeyLocalMachine, version, u"ProductId"),
              u"12345-OEM-0012345-12345");
    EXPECT_EQ(QueryString(registry, kHkeyLocalMachine, version, u"ProductKey"), u"ABCDE-FGHIJ");
    const char16_t* info = u"Software\\Microsoft\\MS Setup (ACME)\\User Info";
    EXPECT_EQ(QueryString(registry, kHkeyCurrentUser, info, u"DefName"), u"Default Ada");
    EXPECT_EQ(QueryString(registry, kHkeyUsers,
                          u".Default\\Software\\Microsoft\\MS Setup (ACME)\\User Info", u"DefName"),
              u"Default Ada");
    Hkey classes = kNullKey;
    EXPECT_EQ(registry.RegOpenKeyExW(RootKey(kHkeyClassesRoot), u"", 0, kKeyAllAccess, &classes),
              kErrorSuccess);
}

TEST_F(Win9xInstallationTest, AChangeReplacesTheFileAndKeepsTheOriginalOnce) {
    const std::string original = Read(System());
    const ino_t before = Inode(System());
    {
        Win9xInstallation registry = Open();
        ASSERT_EQ(
            SetString(registry, kHkeyLocalMachine, u"Software\\Microsoft\\Windows\\CurrentVersion",
                      u"RegisteredOwner", u"Grace"),
            kErrorSuccess);
        EXPECT_EQ(Read(dir_.File("Windows/SYSTEM.VE0")), original);
        EXPECT_NE(Inode(System()), before);
        const std::string once = Read(System());
        ASSERT_EQ(SetString(registry, kHkeyLocalMachine, u"Software\\Demo", u"Second", u"x"),
                  kErrorSuccess);
        // The copy is of the file before the first change, not of the one before this.
        EXPECT_EQ(Read(dir_.File("Windows/SYSTEM.VE0")), original);
        EXPECT_NE(Read(System()), once);
        // The user's file was not touched.
        EXPECT_FALSE(std::filesystem::exists(dir_.File("Windows/user.ve0")));
        EXPECT_FALSE(std::filesystem::exists(dir_.File("Windows/USER.VE0")));
    }
    Win9xInstallation again = Open();
    EXPECT_EQ(QueryString(again, kHkeyLocalMachine, u"Software\\Microsoft\\Windows\\CurrentVersion",
                          u"RegisteredOwner"),
              u"Grace");
    EXPECT_EQ(QueryString(again, kHkeyLocalMachine, u"Software\\Demo", u"Second"), u"x");
    for (const auto& entry : std::filesystem::directory_iterator(dir_.File("Windows"))) {
        EXPECT_EQ(entry.path().string().find(".vantrel-"), std::string::npos) << entry.path();
    }
    if (testing_support::HaveCregExport()) {
        const auto theirs = testing_support::CregExport(System());
        ASSERT_TRUE(theirs);
        const auto& values = theirs->at("SOFTWARE\\Microsoft\\Windows\\CurrentVersion");
        EXPECT_EQ(std::get<2>(values[0]), std::string("Grace\0", 6));
        EXPECT_EQ(std::get<2>(theirs->at("SOFTWARE\\Demo")[0]), std::string("x\0", 2));
    }
}

TEST_F(Win9xInstallationTest, TextOutsideTheCodePageIsRefusedBeforeAnythingIsWritten) {
    const std::string original = Read(System());
    Win9xInstallation registry = Open();
    const char16_t* version = u"Software\\Microsoft\\Windows\\CurrentVersion";
    EXPECT_EQ(SetString(registry, kHkeyLocalMachine, version, u"RegisteredOwner", u"\u65E5\u672C"),
              kErrorNoUnicodeTranslation);
    EXPECT_EQ(SetString(registry, kHkeyLocalMachine, u"Software\\\u0416", u"A", u"b"),
              kErrorNoUnicodeTranslation);
    EXPECT_EQ(SetString(registry, kHkeyLocalMachine, version, u"\u0416", u"b"),
              kErrorNoUnicodeTranslation);
    // What code page 1252 holds is kept, and read back as it was given.
    EXPECT_EQ(SetString(registry, kHkeyLocalMachine, version, u"Caf\u00E9", u"cr\u00E8me \u20AC"),
              kErrorSuccess);
    EXPECT_EQ(QueryString(registry, kHkeyLocalMachine, version, u"CAF\u00C9"),
              u"cr\u00E8me \u20AC");
    Win9xInstallation again = Open();
    EXPECT_EQ(QueryString(again, kHkeyLocalMachine, version, u"RegisteredOwner"), u"Ada");
    Hkey missing = kNullKey;
    EXPECT_EQ(again.RegOpenKeyExW(RootKey(kHkeyLocalMachine), u"Software\\\u0416", 0, kKeyAllAccess,
                                  &missing),
              kErrorFileNotFound);
}

TEST_F(Win9xInstallationTest, ValuesBeyondWindows98sLimitsAreRefusedNamingTheFile) {
    const std::string original = Read(System());
    Win9xInstallation registry = Open();
    Hkey key = kNullKey;
    ASSERT_EQ(
        registry.RegOpenKeyExW(RootKey(kHkeyLocalMachine), u"Software", 0, kKeyAllAccess, &key),
        kErrorSuccess);
    const std::vector<std::uint8_t> big(16301, 7);
    EXPECT_EQ(registry.RegSetValueExW(key, u"Big", 0, kRegBinary, big.data(),
                                      static_cast<Dword>(big.size())),
              kErrorInvalidParameter);
    ASSERT_TRUE(registry.Problem());
    EXPECT_NE(registry.Problem()->find(System()), std::string::npos) << *registry.Problem();
    EXPECT_NE(registry.Problem()->find("16300"), std::string::npos) << *registry.Problem();
    const std::u16string longName(256, u'n');
    Hkey made = kNullKey;
    EXPECT_EQ(registry.RegCreateKeyExW(key, longName.c_str(), 0, nullptr, 0, kKeyAllAccess, nullptr,
                                       &made, nullptr),
              kErrorInvalidParameter);
    EXPECT_EQ(Read(System()), original);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("Windows/SYSTEM.VE0")));
}

TEST_F(Win9xInstallationTest, AFileChangedSinceItWasReadIsNotWrittenOver) {
    auto opened = OpenWin9xInstallation(dir_.File("Windows"));
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<NamedRegistry>>(opened));
    NamedRegistry& named = *std::get<0>(opened);
    EXPECT_EQ(named.Description(), "Windows 9x installation " + dir_.File("Windows"));
    auto batch = named.BeginBatch();
    ASSERT_TRUE(batch);
    ASSERT_EQ(SetString(named.Registry(), kHkeyLocalMachine, u"Software", u"Mine", u"1"),
              kErrorSuccess);
    // Another program writes the file meanwhile: same size, another time.
    const std::string theirs = Read(System());
    WriteFile(System(), theirs);
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    ::utimensat(AT_FDCWD, System().c_str(), times, 0);
    EXPECT_FALSE(batch->Commit());
    ASSERT_TRUE(named.Problem());
    EXPECT_NE(named.Problem()->find(System() + " was changed by another program"),
              std::string::npos)
        << *named.Problem();
    EXPECT_EQ(Read(System()), theirs);
}

TEST_F(Win9xInstallationTest, AChangeToBothFilesIsWrittenToBothOrNeither) {
    const std::string system = Read(System());
    const std::string user = Read(User());
    {
        auto opened = OpenWin9xInstallation(dir_.File("Windows"));
        NamedRegistry& named = *std::get<0>(opened);
        auto batch = named.BeginBatch();
        ASSERT_EQ(SetString(named.Registry(), kHkeyLocalMachine, u"Software", u"Both", u"1"),
                  kErrorSuccess);
        ASSERT_EQ(SetString(named.Registry(), kHkeyCurrentUser, u"Software", u"Both", u"1"),
                  kErrorSuccess);
        // Nothing is written before the batch commits.
        EXPECT_EQ(Read(System()), system);
        // The second file cannot be written: neither is.
        struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
        ::utimensat(AT_FDCWD, User().c_str(), times, 0);
        EXPECT_FALSE(batch->Commit());
        EXPECT_EQ(Read(System()), system);
        EXPECT_EQ(Read(User()), user);
    }
    auto opened = OpenWin9xInstallation(dir_.File("Windows"));
    NamedRegistry& named = *std::get<0>(opened);
    auto batch = named.BeginBatch();
    ASSERT_EQ(SetString(named.Registry(), kHkeyLocalMachine, u"Software", u"Both", u"1"),
              kErrorSuccess);
    ASSERT_EQ(SetString(named.Registry(), kHkeyCurrentUser, u"Software", u"Both", u"2"),
              kErrorSuccess);
    EXPECT_TRUE(batch->Commit());
    Win9xInstallation again = Open();
    EXPECT_EQ(QueryString(again, kHkeyLocalMachine, u"Software", u"Both"), u"1");
    EXPECT_EQ(QueryString(again, kHkeyUsers, u".DEFAULT\\Software", u"Both"), u"2");
}

TEST_F(Win9xInstallationTest, ANamedProfileServesCurrentUserWhenProfilesAreOn) {
    std::filesystem::create_directories(dir_.File("Windows/Profiles/ada"));
    WriteFile(dir_.File("Windows/Profiles/ada/USER.DAT"), UserDat("", "Profile Ada"));
    const char16_t* info = u"Software\\Microsoft\\MS Setup (ACME)\\User Info";
    {
        // Profiles off: the named profile is refused, and the installation with it.
        Win9xInstallation off = Open("ada");
        ASSERT_TRUE(off.Problem());
        EXPECT_NE(off.Problem()->find("user profiles are off"), std::string::npos)
            << *off.Problem();
        Long status = kErrorSuccess;
        QueryString(off, kHkeyCurrentUser, info, u"DefName", &status);
        EXPECT_EQ(status, kErrorBadDb);
    }
    WriteFile(System(), SystemDat(true));
    Win9xInstallation on = Open("ADA");
    ASSERT_FALSE(on.Problem()) << *on.Problem();
    EXPECT_EQ(on.CurrentUserFile(), dir_.File("Windows/Profiles/ada/USER.DAT"));
    EXPECT_EQ(QueryString(on, kHkeyCurrentUser, info, u"DefName"), u"Profile Ada");
    EXPECT_EQ(SetString(on, kHkeyCurrentUser, info, u"DefCompany", u"Engines"), kErrorSuccess);
    EXPECT_TRUE(std::filesystem::exists(dir_.File("Windows/Profiles/ada/USER.VE0")));
    Win9xInstallation unnamed = Open();
    EXPECT_EQ(QueryString(unnamed, kHkeyCurrentUser, info, u"DefName"), u"Default Ada");
    Win9xInstallation missing = Open("bob");
    ASSERT_TRUE(missing.Problem());
    EXPECT_NE(missing.Problem()->find("The profile bob has no USER.DAT"), std::string::npos);
}

TEST_F(Win9xInstallationTest, ClassesDatServesTheClassesKeyOfWindowsMe) {
    creg::Hive classes = creg::NewHive();
    const auto txt = creg::AddKey(classes, 0, ".txt");
    classes.keys[txt].values = {Value("", 1, std::string("txtfile\0", 8))};
    WriteFile(dir_.File("Windows/CLASSES.DAT"), creg::WriteHive(classes));
    const std::string system = Read(System());
    Win9xInstallation registry = Open();
    ASSERT_FALSE(registry.Problem()) << *registry.Problem();
    EXPECT_EQ(QueryString(registry, kHkeyClassesRoot, u".txt", u""), u"txtfile");
    EXPECT_EQ(QueryString(registry, kHkeyLocalMachine, u"Software\\Classes\\.TXT", u""),
              u"txtfile");
    ASSERT_EQ(SetString(registry, kHkeyClassesRoot, u".ini", u"", u"inifile"), kErrorSuccess);
    // The change went to CLASSES.DAT, and SYSTEM.DAT stayed as it was.
    EXPECT_EQ(Read(System()), system);
    EXPECT_TRUE(std::filesystem::exists(dir_.File("Windows/CLASSES.VE0")));
    const creg::Hive written = creg::ReadHive(Read(dir_.File("Windows/CLASSES.DAT")));
    bool found = false;
    for (const auto& key : written.keys) found = found || key.name == ".ini";
    EXPECT_TRUE(found);
    Hkey software = kNullKey;
    ASSERT_EQ(registry.RegOpenKeyExW(RootKey(kHkeyLocalMachine), u"Software", 0, kKeyAllAccess,
                                     &software),
              kErrorSuccess);
    std::vector<std::u16string> names;
    for (Dword i = 0;; ++i) {
        char16_t name[300];
        Dword length = 300;
        if (registry.RegEnumKeyExW(software, i, name, &length, nullptr, nullptr, nullptr,
                                   nullptr) != kErrorSuccess)
            break;
        names.emplace_back(name, length);
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Classes", u"Microsoft"}));
    EXPECT_EQ(registry.RegDeleteKeyW(RootKey(kHkeyLocalMachine), u"Software\\Classes"),
              kErrorAccessDenied);
}

TEST_F(Win9xInstallationTest, ADamagedFileIsNamedAndNeverWritten) {
    std::string damaged = Read(System());
    damaged.resize(damaged.size() - 10);
    WriteFile(System(), damaged);
    Win9xInstallation registry = Open();
    ASSERT_TRUE(registry.Problem());
    EXPECT_NE(registry.Problem()->find(System() + " cannot be used: "), std::string::npos)
        << *registry.Problem();
    EXPECT_EQ(SetString(registry, kHkeyLocalMachine, u"Software", u"A", u"b"), kErrorBadDb);
    EXPECT_EQ(Read(System()), damaged);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("Windows/SYSTEM.VE0")));
}

// Everything a batch changed is put back when it goes without a commit, nested ones too.
TEST_F(Win9xInstallationTest, ABatchWithoutACommitPutsBackWhatItChanged) {
    const std::string original = Read(System());
    creg::CregFileTree tree(System(), u"HKEY_LOCAL_MACHINE");
    const auto root = creg::CregFileTree::kRootKey;
    const auto software = *tree.FindChild(root, u"Software");
    const auto network = *tree.FindChild(root, u"Network");
    const auto logon = *tree.FindChild(network, u"Logon");
    const auto before = tree.Values(logon);
    const auto names = tree.ChildNames(software);
    {
        const auto outer = tree.BeginBatch();
        const auto made = tree.CreateChild(software, u"Made");
        const std::uint8_t one[] = {1, 0, 0, 0};
        tree.SetValue(made, u"N", kRegDword, one, sizeof one);
        {
            const auto inner = tree.BeginBatch();
            tree.SetValue(logon, u"UserProfiles", kRegDword, one, sizeof one);
            EXPECT_TRUE(tree.DeleteValue(logon, u"USERPROFILES"));
            tree.DeleteLeaf(logon);
            EXPECT_FALSE(tree.FindChild(network, u"Logon"));
            inner->Commit();
        }
        EXPECT_FALSE(tree.Exists(logon));
        EXPECT_TRUE(tree.FindChild(software, u"made"));
    }
    EXPECT_EQ(tree.ChildNames(software), names);
    ASSERT_EQ(tree.FindChild(network, u"Logon"), logon);
    const auto after = tree.Values(logon);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after[0].first, before[0].first);
    EXPECT_EQ(after[0].second.data, before[0].second.data);
    EXPECT_EQ(Read(System()), original);
    // A batch that commits afterwards writes only what it changed.
    {
        const auto batch = tree.BeginBatch();
        tree.CreateChild(software, u"Kept");
        batch->Commit();
    }
    const creg::Hive written = creg::ReadHive(Read(System()));
    std::vector<std::string> softwareKeys;
    for (const auto child : written.keys[1].children)
        softwareKeys.push_back(written.keys[child].name);
    EXPECT_EQ(softwareKeys, (std::vector<std::string>{"Microsoft", "Classes", "Kept"}));
}

TEST_F(Win9xInstallationTest, KeysMadeAndDeletedAreWhatCregexportSees) {
    if (!testing_support::HaveCregExport())
        GTEST_SKIP() << "cregexport (libcreg-utils) is not installed.";
    Win9xInstallation registry = Open();
    for (int i = 0; i < 50; ++i) {
        const std::u16string path = u"Software\\Many\\Key" +
                                    std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                                    std::u16string(static_cast<std::size_t>(i / 26 + 1), u'x');
        ASSERT_EQ(SetString(registry, kHkeyLocalMachine, path.c_str(), u"N", path), kErrorSuccess);
    }
    EXPECT_EQ(registry.RegDeleteKeyW(RootKey(kHkeyLocalMachine), u"Software\\Many\\KeyAx"),
              kErrorSuccess);
    EXPECT_EQ(registry.RegDeleteKeyW(RootKey(kHkeyLocalMachine), u"Network\\Logon"), kErrorSuccess);
    const auto theirs = testing_support::CregExport(System());
    ASSERT_TRUE(theirs);
    EXPECT_EQ(theirs->count("SOFTWARE\\Many\\KeyAx"), 0u);
    EXPECT_EQ(theirs->count("Network\\Logon"), 0u);
    EXPECT_EQ(theirs->count("Network"), 1u);
    EXPECT_EQ(std::get<2>(theirs->at("SOFTWARE\\Many\\KeyBx")[0]),
              std::string("Software\\Many\\KeyBx\0", 20));
    std::size_t many = 0;
    for (const auto& [path, values] : *theirs) many += path.starts_with("SOFTWARE\\Many\\");
    EXPECT_EQ(many, 49u);
}

}  // namespace
