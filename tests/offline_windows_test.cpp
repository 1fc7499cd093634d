// An offline Windows NT installation named by its folder: found in any case at its drive
// root or Windows folder, its hives behind the roots, a user's profile chosen by name, a
// change to two hives written both or neither, the hives Windows left dirty and the
// read-only disk refused in words, and the tool's export of a hive equal to the store's.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/vantrel.h"
#include "fake_views.h"
#include "file_bytes.h"
#include "hive_listing.h"
#include "minimal_hive.h"
#include "native_platform.h"
#include "new_store.h"
#include "platform/named/named_registry.h"
#include "platform/regf/nt_installation.h"
#include "platform/regf/offline_windows.h"
#include "platform/regf/regf_error.h"
#include "platform/regf/regf_file_tree.h"
#include "platform/store/registry_store.h"
#include "read_only_mount.h"
#include "temp_dir.h"
#include "tools/regtool/commands.h"
#include "tools/regtool/host_io.h"

using namespace platform;
using testing_support::Read;
using testing_support::TempDir;
using testing_support::Utf16z;

namespace {

const Hkey kMachine = RootKey(kHkeyLocalMachine);
const Hkey kUsers = RootKey(kHkeyUsers);
const Hkey kCurrentUser = RootKey(kHkeyCurrentUser);

std::string Narrow(std::u16string_view text) {
    return platform::posix::Utf16ToUtf8(text);
}

std::u16string Wide(const std::string& text) { return platform::posix::Utf8ToUtf16(text); }

// A drive with an installation's three hives, each holding one key named after it, and
// profiles in the places each Windows keeps them.
class Installation : public ::testing::Test {
protected:
    TempDir drive;
    std::string config = drive.File("WINDOWS/system32/CONFIG");

    Installation() {
        std::filesystem::create_directories(config);
        MakeHive(config + "/software", u"FromSoftware");
        MakeHive(config + "/System", u"FromSystem");
        MakeHive(config + "/DEFAULT", u"FromDefault");
        MakeHive(Profile("Users/Ada"), u"FromAda");
        MakeHive(Profile("Users/bob", "ntuser.dat"), u"FromBob");
        MakeHive(Profile("Documents and Settings/Carol"), u"FromCarol");
        std::filesystem::create_directories(drive.File("Users/Public"));
    }
    std::string Profile(const std::string& folder, const char* name = "NTUSER.DAT") {
        std::filesystem::create_directories(drive.File(folder));
        return drive.File(folder + "/" + name);
    }
    static void MakeHive(const std::string& path, std::u16string_view key) {
        testing_support::WriteMinimalHive(path);
        regf::RegfFileTree tree(path, u"Top");
        auto batch = tree.BeginBatch();
        tree.CreateChild(regf::RegfFileTree::kBaseKey, key);
        batch->Commit();
        std::filesystem::remove(path + ".vantrel-orig");
    }
    std::unique_ptr<NamedRegistry> Open(const std::string& user = "") {
        auto opened = OpenNamedRegistry(drive.File(""), {}, user);
        if (auto* refused = std::get_if<std::string>(&opened)) {
            ADD_FAILURE() << *refused;
            return nullptr;
        }
        return std::move(std::get<0>(opened));
    }
    static bool Has(WideRegistryApi& registry, Hkey root, const char16_t* path) {
        Hkey key = kNullKey;
        if (registry.RegOpenKeyExW(root, path, 0, kKeyAllAccess, &key) != kErrorSuccess) return false;
        registry.RegCloseKey(key);
        return true;
    }
    static Long SetText(WideRegistryApi& registry, Hkey root, const char16_t* path,
                        const char16_t* name, std::u16string_view text) {
        Hkey key = kNullKey;
        if (const Long status = registry.RegCreateKeyExW(root, path, 0, nullptr, 0, kKeyAllAccess,
                                                         nullptr, &key, nullptr)) {
            return status;
        }
        const auto data = Utf16z(text);
        const Long status = registry.RegSetValueExW(key, name, 0, kRegSz, data.data(),
                                                    static_cast<Dword>(data.size()));
        registry.RegCloseKey(key);
        return status;
    }
};

TEST_F(Installation, IsFoundAtItsDriveRootOrWindowsFolderWhateverTheCaseOfItsNames) {
    for (const std::string& named : {drive.File(""), drive.File("WINDOWS"), drive.File("WINDOWS/")}) {
        const auto found = regf::FindNtInstallation(named);
        ASSERT_TRUE(found) << named;
        EXPECT_EQ(found->software, config + "/software");
        EXPECT_EQ(found->system, config + "/System");
        EXPECT_EQ(found->defaultUser, config + "/DEFAULT");
        EXPECT_EQ(found->windows, drive.File("WINDOWS"));
    }
    // Windows 2000 and NT 4 are in WINNT.
    std::filesystem::rename(drive.File("WINDOWS"), drive.File("WinNT"));
    ASSERT_TRUE(regf::FindNtInstallation(drive.File("")));
    // Without one of the three hives it is no installation.
    std::filesystem::remove(drive.File("WinNT/system32/CONFIG/DEFAULT"));
    EXPECT_FALSE(regf::FindNtInstallation(drive.File("")));
}

TEST_F(Installation, OpensAsAnNtRegistryWithEachHiveBehindItsRoot) {
    const auto named = Open();
    ASSERT_TRUE(named);
    EXPECT_EQ(named->Description(), "offline Windows installation " + drive.File(""));
    WideRegistryApi& registry = named->Registry();
    EXPECT_EQ(named->Registry().Family(), RegistryFamily::WindowsNt);
    EXPECT_TRUE(Has(registry, kMachine, u"SOFTWARE\\FromSoftware"));
    EXPECT_TRUE(Has(registry, kMachine, u"system\\FROMSYSTEM"));
    EXPECT_TRUE(Has(registry, kUsers, u".DEFAULT\\FromDefault"));
    // Without a user, HKEY_CURRENT_USER is HKEY_USERS\.Default.
    EXPECT_TRUE(Has(registry, kCurrentUser, u"FromDefault"));
    EXPECT_FALSE(Has(registry, kMachine, u"Software\\FromSystem"));

    ASSERT_EQ(SetText(registry, kCurrentUser, u"Software\\Microsoft\\MS Setup (ACME)\\User Info",
                      u"DefName", u"Ada Lovelace"),
              kErrorSuccess);
    regf::RegfFileTree written(config + "/DEFAULT", u".Default");
    const auto lines = testing_support::TreeListing(written, regf::RegfFileTree::kBaseKey);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "value Software\\Microsoft\\MS Setup (ACME)\\User Info|DefName|REG_SZ|26"),
              lines.end());
}

TEST_F(Installation, AFolderThatIsNoRegistryIsRefusedSayingWhatWasLookedFor) {
    TempDir empty;
    const auto opened = OpenNamedRegistry(empty.File(""), {});
    ASSERT_TRUE(std::holds_alternative<std::string>(opened));
    const std::string& refusal = std::get<std::string>(opened);
    EXPECT_NE(refusal.find("system.reg, user.reg and userdef.reg"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("Windows\\System32\\config\\SOFTWARE, SYSTEM and DEFAULT"),
              std::string::npos)
        << refusal;
}

TEST_F(Installation, AUsersProfileIsChosenByNameAsTheCurrentUser) {
    // Windows names the user's key by the SID whose profile path ends in the folder.
    {
        const auto named = Open();
        ASSERT_TRUE(named);
        const std::u16string list =
            u"Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\S-1-5-21-1-2-3-1001";
        Hkey key = kNullKey;
        ASSERT_EQ(named->Registry().RegCreateKeyExW(kMachine, list.c_str(), 0, nullptr, 0,
                                                    kKeyAllAccess, nullptr, &key, nullptr),
                  kErrorSuccess);
        const auto path = Utf16z(u"%SystemDrive%\\Users\\Ada");
        ASSERT_EQ(named->Registry().RegSetValueExW(key, u"ProfileImagePath", 0, 2, path.data(),
                                                   static_cast<Dword>(path.size())),
                  kErrorSuccess);
    }
    const auto ada = Open("ADA");
    ASSERT_TRUE(ada);
    EXPECT_EQ(ada->Description(), "offline Windows installation " + drive.File("") + ", user Ada");
    EXPECT_TRUE(Has(ada->Registry(), kCurrentUser, u"FromAda"));
    EXPECT_TRUE(Has(ada->Registry(), kUsers, u"S-1-5-21-1-2-3-1001\\FromAda"));
    EXPECT_TRUE(Has(ada->Registry(), kUsers, u".Default\\FromDefault"));
    ASSERT_EQ(SetText(ada->Registry(), kCurrentUser, u"Software", u"Mine", u"yes"), kErrorSuccess);
    regf::RegfFileTree written(drive.File("Users/Ada/NTUSER.DAT"), u"Ada");
    EXPECT_TRUE(written.FindChild(regf::RegfFileTree::kBaseKey, u"software"));

    // A profile the installation's ProfileList does not name is found under its folder's name.
    const auto carol = Open("carol");
    ASSERT_TRUE(carol);
    EXPECT_TRUE(Has(carol->Registry(), kUsers, u"Carol\\FromCarol"));
    EXPECT_TRUE(Has(carol->Registry(), kCurrentUser, u"FromCarol"));
}

TEST_F(Installation, AUserNameThatMatchesNoProfileIsRefusedListingTheProfiles) {
    const auto opened = OpenNamedRegistry(drive.File(""), {}, "Zed");
    ASSERT_TRUE(std::holds_alternative<std::string>(opened));
    EXPECT_EQ(std::get<std::string>(opened),
              "No user profile named \"Zed\" holds an NTUSER.DAT in the Windows installation " +
                  drive.File("") + ". The profiles found are: Ada, bob, Carol.");
}

TEST_F(Installation, ABatchOverTwoHivesWritesBothOrNeither) {
    const std::string software = config + "/software", defaults = config + "/DEFAULT";
    {
        const auto named = Open();
        auto batch = named->BeginBatch();
        ASSERT_TRUE(batch);
        ASSERT_EQ(SetText(named->Registry(), kMachine, u"Software\\Both", u"A", u"1"), kErrorSuccess);
        ASSERT_EQ(SetText(named->Registry(), kCurrentUser, u"Both", u"B", u"2"), kErrorSuccess);
        // Nothing is written before the batch commits.
        EXPECT_FALSE(std::filesystem::exists(software + ".vantrel-orig"));
        EXPECT_TRUE(batch->Commit());
    }
    EXPECT_TRUE(std::filesystem::exists(software + ".vantrel-orig"));
    EXPECT_TRUE(std::filesystem::exists(defaults + ".vantrel-orig"));
    EXPECT_FALSE(std::filesystem::exists(config + "/System.vantrel-orig"));

    const std::string softwareBefore = Read(software);
    const auto named = Open();
    auto batch = named->BeginBatch();
    ASSERT_EQ(SetText(named->Registry(), kMachine, u"Software\\Neither", u"A", u"1"), kErrorSuccess);
    ASSERT_EQ(SetText(named->Registry(), kCurrentUser, u"Neither", u"B", u"2"), kErrorSuccess);
    // Another program writes DEFAULT meanwhile: it is not overwritten, nor is SOFTWARE.
    {
        regf::RegfFileTree other(defaults, u".Default");
        auto theirs = other.BeginBatch();
        other.CreateChild(regf::RegfFileTree::kBaseKey, u"Theirs");
        theirs->Commit();
    }
    const std::string defaultsTheirs = Read(defaults);
    EXPECT_FALSE(batch->Commit());
    ASSERT_TRUE(named->Problem());
    EXPECT_NE(named->Problem()->find(defaults + " was changed by another program"),
              std::string::npos)
        << *named->Problem();
    batch.reset();
    EXPECT_EQ(Read(software), softwareBefore);
    EXPECT_EQ(Read(defaults), defaultsTheirs);
    for (const auto& entry : std::filesystem::directory_iterator(config)) {
        EXPECT_EQ(entry.path().string().find(".vantrel-"), entry.path().string().rfind(".vantrel-orig"))
            << "left behind: " << entry.path();
    }
}

TEST_F(Installation, AHiveWindowsLeftDirtyRefusesChangesInWordsAndTheOthersTakeThem) {
    const std::string system = config + "/System";
    MakeHive(system, u"FromSystem");
    // A Windows that hibernated has written the primary sequence number only.
    const std::string clean = Read(system);
    std::vector<std::uint8_t> header(clean.begin(), clean.begin() + 4096);
    ++header[4];
    testing_support::SealHeader(header);
    const std::string bytes = std::string(header.begin(), header.end()) + clean.substr(4096);
    std::ofstream(system, std::ios::binary) << bytes;

    const auto named = Open();
    WideRegistryApi& registry = named->Registry();
    EXPECT_TRUE(Has(registry, kMachine, u"System\\FromSystem"));
    EXPECT_EQ(SetText(registry, kMachine, u"System\\FromSystem", u"V", u"x"), kErrorAccessDenied);
    ASSERT_TRUE(named->Problem());
    EXPECT_EQ(*named->Problem(), system + ": " + regf::kNotShutDown);
    EXPECT_EQ(Read(system), bytes);
    EXPECT_FALSE(std::filesystem::exists(system + ".vantrel-orig"));
    EXPECT_EQ(SetText(registry, kMachine, u"Software\\Fine", u"V", u"x"), kErrorSuccess);
}

TEST_F(Installation, AHiveThatCannotBeReadMakesEveryCallFailNamingIt) {
    std::ofstream(config + "/DEFAULT", std::ios::binary) << "not a hive";
    const auto named = Open();
    ASSERT_TRUE(named->Problem());
    EXPECT_EQ(*named->Problem(), config + "/DEFAULT is no Windows NT registry hive: it does not "
                                          "start with \"regf\".");
    Hkey key = kNullKey;
    EXPECT_EQ(named->Registry().RegOpenKeyExW(kMachine, u"Software", 0, kKeyAllAccess, &key),
              kErrorBadDb);
    EXPECT_FALSE(named->BeginBatch());
    EXPECT_EQ(Read(config + "/DEFAULT"), "not a hive");
}

TEST_F(Installation, AHiveOnADiskMountedReadOnlyIsReadAndItsChangesRefusedSayingSo) {
    const std::string before = Read(config + "/software");
    if (const std::string why = testing_support::MakeFolderReadOnly(drive.File("")); !why.empty()) {
        GTEST_SKIP() << "cannot make a read-only folder here: " << why;
    }
    const auto named = Open();
    EXPECT_TRUE(Has(named->Registry(), kMachine, u"Software\\FromSoftware"));
    EXPECT_EQ(SetText(named->Registry(), kMachine, u"Software\\FromSoftware", u"V", u"x"),
              kErrorAccessDenied);
    ASSERT_TRUE(named->Problem());
    EXPECT_NE(named->Problem()->find(config + "/software is on a file system mounted read-only"),
              std::string::npos)
        << *named->Problem();
    EXPECT_EQ(Read(config + "/software"), before);
}

// The editor on an offline installation: an NT-family registry, so the boxes come from the
// NT key and OK writes both keys and the setup defaults of the user chosen.
TEST_F(Installation, TheEditorShowsAndSavesTheRegistrationOfTheInstallationAndItsUser) {
    const char16_t* nt = u"Software\\Microsoft\\Windows NT\\CurrentVersion";
    const char16_t* nine = u"Software\\Microsoft\\Windows\\CurrentVersion";
    const char16_t* setup = u"Software\\Microsoft\\MS Setup (ACME)\\User Info";
    {
        const auto named = Open();
        ASSERT_EQ(SetText(named->Registry(), kMachine, nt, u"RegisteredOwner", u"NT Owner"),
                  kErrorSuccess);
        ASSERT_EQ(SetText(named->Registry(), kMachine, nt, u"ProductId", u"55274-OEM"),
                  kErrorSuccess);
        ASSERT_EQ(SetText(named->Registry(), kMachine, nine, u"ProductId", u"old"), kErrorSuccess);
    }
    {
        // The setup defaults are written where Setup made their key.
        const auto ada = Open("Ada");
        ASSERT_EQ(SetText(ada->Registry(), kCurrentUser, setup, u"DefName", u"old"), kErrorSuccess);
    }
    const auto named = Open("Ada");
    testing_support::FakeVantrelView view;
    app::Vantrel editor(platform::Platform{named->Registry(), testing_support::NativeSystem()},
                        view, [&named] { return Wide(named->Problem().value_or("")); },
                        &named->Registry());
    editor.Form_Load();
    EXPECT_EQ(view.texts[static_cast<std::size_t>(app::TextBox::Text1)], u"NT Owner");
    EXPECT_EQ(view.texts[static_cast<std::size_t>(app::TextBox::Text3)], u"55274-OEM");
    view.texts[static_cast<std::size_t>(app::TextBox::Text2)] = u"Analytical Engines";
    editor.Command1_Click();
    EXPECT_TRUE(view.ended);
    EXPECT_TRUE(view.messages.empty()) << Narrow(view.messages.back());

    const auto again = Open("ada");
    ASSERT_FALSE(again->Problem()) << *again->Problem();
    const auto text = [&](Hkey root, const char16_t* path, const char16_t* name) {
        Hkey key = kNullKey;
        if (again->Registry().RegOpenKeyExW(root, path, 0, kKeyAllAccess, &key)) return std::u16string(u"<no key>");
        char16_t data[128] = {};
        Dword size = sizeof data - 2;
        const Long status = again->Registry().RegQueryValueExW(
            key, name, nullptr, nullptr, reinterpret_cast<std::uint8_t*>(data), &size);
        again->Registry().RegCloseKey(key);
        return status == kErrorSuccess ? std::u16string(data) : std::u16string(u"<missing>");
    };
    for (const char16_t* key : {nt, nine}) {
        EXPECT_EQ(text(kMachine, key, u"RegisteredOwner"), u"NT Owner");
        EXPECT_EQ(text(kMachine, key, u"RegisteredOrganization"), u"Analytical Engines");
    }
    EXPECT_EQ(text(kCurrentUser, setup, u"DefName"), u"NT Owner");
    EXPECT_EQ(text(kCurrentUser, setup, u"DefCompany"), u"Analytical Engines");
    EXPECT_EQ(text(kUsers, (u".Default\\" + std::u16string(setup)).c_str(), u"DefName"),
              u"<no key>");
    regf::RegfFileTree ada(drive.File("Users/Ada/NTUSER.DAT"), u"Ada");
    EXPECT_TRUE(ada.FindChild(regf::RegfFileTree::kBaseKey, u"Software"));
}

TEST_F(Installation, TheEditorsSaveOnADirtyHiveSaysWhyNothingWasSaved) {
    {
        const auto named = Open();
        for (const char16_t* key : {u"Software\\Microsoft\\Windows NT\\CurrentVersion",
                                    u"Software\\Microsoft\\Windows\\CurrentVersion"}) {
            ASSERT_EQ(SetText(named->Registry(), kMachine, key, u"RegisteredOwner", u"Owner"),
                      kErrorSuccess);
        }
    }
    const std::string clean = Read(config + "/software");
    std::vector<std::uint8_t> header(clean.begin(), clean.begin() + 4096);
    header[8] = static_cast<std::uint8_t>(header[8] + 3);
    testing_support::SealHeader(header);
    const std::string dirty = std::string(header.begin(), header.end()) + clean.substr(4096);
    std::ofstream(config + "/software", std::ios::binary) << dirty;

    const auto named = Open();
    testing_support::FakeVantrelView view;
    app::Vantrel editor(platform::Platform{named->Registry(), testing_support::NativeSystem()},
                        view, [&named] { return Wide(named->Problem().value_or("")); },
                        &named->Registry());
    editor.Form_Load();
    view.texts[static_cast<std::size_t>(app::TextBox::Text1)] = u"Someone";
    editor.Command1_Click();
    ASSERT_FALSE(view.messages.empty());
    EXPECT_NE(view.messages.back().find(Wide(regf::kNotShutDown)), std::u16string::npos)
        << Narrow(view.messages.back());
    EXPECT_EQ(Read(config + "/software"), dirty);
}

// The tool on a registry that it opened by name, as vantrel-reg opens it.
struct Tool {
    explicit Tool(NamedRegistry& named)
        : env{named.Registry(),
              [&named]() -> std::unique_ptr<regtool::RegistryTransaction> {
                  struct Batch : regtool::RegistryTransaction {
                      explicit Batch(std::unique_ptr<NamedBatch> b) : batch(std::move(b)) {}
                      bool Commit() override { return batch->Commit(); }
                      std::unique_ptr<NamedBatch> batch;
                  };
                  auto batch = named.BeginBatch();
                  if (!batch) return nullptr;
                  return std::make_unique<Batch>(std::move(batch));
              },
              [](const std::u16string&) { return true; },
              {},
              {},
              {}} {}
    int Run(std::vector<std::u16string> arguments) {
        env.out.clear();
        env.err.clear();
        return regtool::RunRegCommand(arguments, env);
    }
    regtool::ToolEnvironment env;
};

TEST_F(Installation, TheToolExportsAHiveAsTheSameTextAsTheStoreHoldingTheSameTree) {
    TempDir files;
    const std::string store = files.File("registry.db");
    const std::u16string storeExport = Wide(files.File("store.reg"));
    const std::u16string hiveExport = Wide(files.File("hive.reg"));
    {
        auto opened = OpenNamedRegistry(store, testing_support::NewInstallation);
        Tool tool(*std::get<0>(opened));
        const std::u16string key = u"HKLM\\Software\\Vantrel\\Caf\u00e9";
        for (const std::vector<std::u16string>& add :
             {std::vector<std::u16string>{u"/v", u"Text", u"/d", u"caf\u00e9 \u20ac"},
              {u"/v", u"Path", u"/t", u"REG_EXPAND_SZ", u"/d", u"%SystemRoot%\\x"},
              {u"/v", u"Multi", u"/t", u"REG_MULTI_SZ", u"/d", u"one\\0two"},
              {u"/v", u"Number", u"/t", u"REG_DWORD", u"/d", u"42"},
              {u"/v", u"Wide", u"/t", u"REG_QWORD", u"/d", u"0x1122334455667788"},
              {u"/v", u"Blob", u"/t", u"REG_BINARY", u"/d", u"00ff10"},
              {u"/v", u"Nothing", u"/t", u"REG_NONE"},
              {u"/ve", u"/d", u"default"}}) {
            std::vector<std::u16string> arguments{u"add", key};
            arguments.insert(arguments.end(), add.begin(), add.end());
            arguments.push_back(u"/f");
            ASSERT_EQ(tool.Run(arguments), 0) << Narrow(tool.env.err);
        }
        ASSERT_EQ(tool.Run({u"add", u"HKLM\\Software\\Vantrel\\Empty", u"/f"}), 0);
        ASSERT_EQ(tool.Run({u"export", u"HKLM\\Software", storeExport, u"/y"}), 0)
            << Narrow(tool.env.err);
    }
    // The hive, empty of its own key, takes the store's export whole and gives it back.
    MakeHive(config + "/software", u"Classes");
    {
        const auto named = Open();
        Tool tool(*named);
        ASSERT_EQ(tool.Run({u"import", storeExport}), 0) << Narrow(tool.env.err);
    }
    const auto named = Open();
    Tool tool(*named);
    ASSERT_EQ(tool.Run({u"export", u"HKLM\\Software", hiveExport, u"/y"}), 0)
        << Narrow(tool.env.err);
    const std::string ours = Read(Narrow(hiveExport));
    EXPECT_EQ(ours, Read(Narrow(storeExport)));
    EXPECT_GT(ours.size(), 400u);
    ASSERT_EQ(tool.Run({u"query", u"HKLM\\Software\\Vantrel\\CAF\u00c9", u"/v", u"number"}), 0);
    EXPECT_NE(tool.env.out.find(u"REG_DWORD    0x2a"), std::u16string::npos) << Narrow(tool.env.out);
    ASSERT_EQ(tool.Run({u"delete", u"HKLM\\Software\\Vantrel", u"/f"}), 0) << Narrow(tool.env.err);
    EXPECT_FALSE(Has(named->Registry(), kMachine, u"Software\\Vantrel"));
    if (testing_support::HaveProgram("regfexport")) {
        const auto lines = testing_support::RegfexportListing(config + "/software");
        EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                [](const std::string& line) { return line.find("Vantrel") != std::string::npos; }),
                  0);
    }
}

TEST_F(Installation, AnImportThatADirtyHiveRefusesWritesNoHiveAtAll) {
    // SYSTEM as a Windows that used Fast Startup left it.
    const std::string system = config + "/System";
    const std::string clean = Read(system);
    std::vector<std::uint8_t> header(clean.begin(), clean.begin() + 4096);
    header[4] = static_cast<std::uint8_t>(header[4] + 1);
    testing_support::SealHeader(header);
    const std::string dirty = std::string(header.begin(), header.end()) + clean.substr(4096);
    std::ofstream(system, std::ios::binary) << dirty;
    const std::string software = Read(config + "/software");

    TempDir files;
    const std::string reg = files.File("both.reg");
    std::ofstream(reg, std::ios::binary)
        << "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\FromSoftware]\r\n\"A\"=\"1\"\r\n\r\n"
           "[HKEY_LOCAL_MACHINE\\System\\FromSystem]\r\n\"B\"=\"2\"\r\n";
    const auto named = Open();
    Tool tool(*named);
    EXPECT_EQ(tool.Run({u"import", Wide(reg)}), 1);
    ASSERT_TRUE(named->Problem());
    EXPECT_EQ(*named->Problem(), system + ": " + regf::kNotShutDown);
    EXPECT_EQ(Read(config + "/software"), software);
    EXPECT_EQ(Read(system), dirty);
    for (const auto& entry : std::filesystem::directory_iterator(config)) {
        EXPECT_EQ(entry.path().string().find(".vantrel-"), std::string::npos)
            << "left behind: " << entry.path();
    }
}

}  // namespace
