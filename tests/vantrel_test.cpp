// The main window's logic against a registry store on a temporary file: loading, saving,
// the commands, the tab switch and the licence window.
#include "app/vantrel.h"

#include <gtest/gtest.h>

#include <fstream>

#include "code_page.h"
#include "fake_views.h"
#include "native_platform.h"
#include "new_store.h"
#include "platform/codepage.h"
#include "platform/store/registry_store.h"
#include "read_only_mount.h"
#include "recording_registry.h"
#include "temp_dir.h"

using namespace platform;
using app::TextBox;
using Calls = std::vector<std::string>;

namespace {

const Hkey kMachine = RootKey(kHkeyLocalMachine);
const Hkey kCurrentUser = RootKey(kHkeyCurrentUser);
const char* const kVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";
const char* const kNtVersionKey = "Software\\Microsoft\\Windows NT\\CurrentVersion";
const char* const kSetupKey = "Software\\Microsoft\\MS Setup (ACME)\\User Info";

class Editor : public ::testing::Test {
protected:
    testing_support::TempDir dir;
    std::string path = dir.File("registry.db");
    std::unique_ptr<store::RegistryStore> store =
        std::make_unique<store::RegistryStore>(path, testing_support::NewInstallation());
    testing_support::RecordingRegistry registry{*store};
    testing_support::FakeVantrelView view;
    std::unique_ptr<app::Vantrel> editor;

    void Load(app::Vantrel::ProblemSource problem = {}) {
        editor = std::make_unique<app::Vantrel>(
            platform::Platform{registry, testing_support::NativeSystem()}, view, std::move(problem),
            store.get());
        editor->Form_Load();
    }

    void Put(Hkey root, const char* keyPath, const char* name, Dword type,
             const std::string& bytes) {
        Hkey key = kNullKey;
        ASSERT_EQ(store->RegCreateKeyExA(root, keyPath, 0, nullptr, 0, kKeyAllAccess, nullptr, &key,
                                         nullptr),
                  kErrorSuccess);
        ASSERT_EQ(store->RegSetValueExA(key, name, 0, type,
                                        reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                        static_cast<Dword>(bytes.size())),
                  kErrorSuccess);
        store->RegCloseKey(key);
    }
    void PutString(const char* name, const std::string& text) {
        Put(kMachine, kVersionKey, name, kRegSz, text + std::string(1, '\0'));
    }
    void PutNtString(const char* name, const std::string& text) {
        Put(kMachine, kNtVersionKey, name, kRegSz, text + std::string(1, '\0'));
    }

    // "type:bytes" of a value, "missing", or "no key".
    std::string Stored(Hkey root, const char* keyPath, const char* name) {
        Hkey key = kNullKey;
        if (store->RegOpenKeyExA(root, keyPath, 0, kKeyAllAccess, &key) != kErrorSuccess) {
            return "no key";
        }
        char data[256];
        Dword type = 0, size = sizeof data;
        const Long status = store->RegQueryValueExA(key, name, nullptr, &type,
                                                    reinterpret_cast<std::uint8_t*>(data), &size);
        store->RegCloseKey(key);
        return status == kErrorSuccess ? std::to_string(type) + ":" + std::string(data, size)
                                       : "missing";
    }
    std::string Version(const char* name) { return Stored(kMachine, kVersionKey, name); }

    // Text stored in its Unicode form, as the tool or the new installation stores it.
    void PutWide(Hkey root, const char* keyPath, const char16_t* name, const std::u16string& text) {
        Hkey key = kNullKey;
        ASSERT_EQ(store->RegOpenKeyExA(root, keyPath, 0, kKeyAllAccess, &key), kErrorSuccess);
        ASSERT_EQ(store->RegSetValueExW(key, name, 0, kRegSz,
                                        reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                        static_cast<Dword>((text.size() + 1) * 2)),
                  kErrorSuccess);
        store->RegCloseKey(key);
    }
    std::u16string StoredWide(Hkey root, const char* keyPath, const char16_t* name) {
        Hkey key = kNullKey;
        store->RegOpenKeyExA(root, keyPath, 0, kKeyAllAccess, &key);
        char16_t data[128] = {};
        Dword size = sizeof data - 2;
        const Long status = store->RegQueryValueExW(key, name, nullptr, nullptr,
                                                    reinterpret_cast<std::uint8_t*>(data), &size);
        store->RegCloseKey(key);
        return status == kErrorSuccess ? std::u16string(data) : u"<missing>";
    }
    std::vector<std::string> Writes() {
        std::vector<std::string> writes;
        for (const auto& call : registry.calls) {
            if (call.function == "RegSetValueExA" || call.function == "RegDeleteValueA") {
                writes.push_back(call.function + " " + call.name);
            }
        }
        return writes;
    }
    std::string NtVersion(const char* name) { return Stored(kMachine, kNtVersionKey, name); }
    std::string Setup(const char* name) { return Stored(kCurrentUser, kSetupKey, name); }
    static std::string Sz(const std::string& text) { return "1:" + text + std::string(1, '\0'); }

    void Type(TextBox box, const std::u16string& text) {
        view.texts[static_cast<std::size_t>(box)] = text;
    }
    const std::u16string& Shown(TextBox box) { return view.texts[static_cast<std::size_t>(box)]; }

    void SeedAll() {
        PutString("RegisteredOwner", "Ann Owner");
        PutString("RegisteredOrganization", "Org Ltd");
        PutString("ProductId", "12345-OEM");
        PutString("ProductKey", "AAAAA-BBBBB");
    }
};

}  // namespace

TEST_F(Editor, LoadShowsTheWindowFirstThenTheFourValuesThenFocusesTheOwner) {
    SeedAll();
    Load();
    EXPECT_EQ(view.calls,
              (Calls{"Show", "SetText 1", "SetText 2", "SetText 3", "SetText 4", "SetFocus 1"}));
    EXPECT_EQ(Shown(TextBox::Text1), u"Ann Owner");
    EXPECT_EQ(Shown(TextBox::Text2), u"Org Ltd");
    EXPECT_EQ(Shown(TextBox::Text3), u"12345-OEM");
    EXPECT_EQ(Shown(TextBox::Text4), u"AAAAA-BBBBB");
    EXPECT_EQ(registry.calls[0].key, kMachine);
    EXPECT_EQ(registry.calls[0].name, "software\\microsoft\\windows\\currentversion\\");
}

TEST_F(Editor, AValueThatCannotBeReadShowsEmptyWithoutAMessage) {
    SeedAll();
    Hkey key = kNullKey;
    store->RegOpenKeyExA(kMachine, kVersionKey, 0, kKeyAllAccess, &key);
    store->RegDeleteValueA(key, "ProductId");
    store->RegCloseKey(key);
    Put(kMachine, kVersionKey, "RegisteredOrganization", kRegBinary, "\1\2");
    Load();
    EXPECT_EQ(Shown(TextBox::Text2), u"");
    EXPECT_EQ(Shown(TextBox::Text3), u"");
    EXPECT_EQ(Shown(TextBox::Text4), u"AAAAA-BBBBB");
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(Editor, IntegersShowAsDecimalTextAndEmptyStringsAsEmptyBoxes) {
    SeedAll();
    Put(kMachine, kVersionKey, "RegisteredOrganization", kRegDword, std::string("\xCE\x07\0\0", 4));
    Put(kMachine, kVersionKey, "ProductId", kRegDword, "\xFF\xFF\xFF\xFF");
    PutString("ProductKey", "");
    Load();
    EXPECT_EQ(Shown(TextBox::Text2), u"1998");
    EXPECT_EQ(Shown(TextBox::Text3), u"-1");
    EXPECT_EQ(Shown(TextBox::Text4), u"");
}

TEST_F(Editor, AKeyThatCannotBeOpenedLeavesEveryBoxEmpty) {
    registry.Inject({"RegOpenKeyExA", std::nullopt, kErrorAccessDenied, -1});
    SeedAll();
    Load();
    for (const auto& text : view.texts) EXPECT_EQ(text, u"");
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(Editor, OkRewritesAllSixValuesAsStringsAndEnds) {
    SeedAll();
    Put(kCurrentUser, kSetupKey, "DefName", kRegSz, std::string("Old Name\0", 9));
    Put(kMachine, kVersionKey, "ProductKey", kRegBinary, "\1\2\3");
    Load();
    Type(TextBox::Text3, u"99999-OEM");
    editor->Command1_Click();
    EXPECT_EQ(Version("RegisteredOwner"), Sz("Ann Owner"));
    EXPECT_EQ(Version("RegisteredOrganization"), Sz("Org Ltd"));
    EXPECT_EQ(Version("ProductId"), Sz("99999-OEM"));
    EXPECT_EQ(Version("ProductKey"), Sz(""));  // shown empty, now an empty string
    EXPECT_EQ(Setup("DefName"), Sz("Ann Owner"));
    EXPECT_EQ(Setup("DefCompany"), Sz("Org Ltd"));
    EXPECT_TRUE(view.ended);
    EXPECT_TRUE(view.messages.empty());
    for (const auto& call : registry.calls) EXPECT_NE(call.function, "RegDeleteValueA");
}

TEST_F(Editor, OkWritesTheSetupCompanyBeforeTheName) {
    Load();
    Type(TextBox::Text1, u"Owner Text");
    Type(TextBox::Text2, u"Company Text");
    registry.calls.clear();
    editor->Command1_Click();
    std::vector<std::string> written;
    for (const auto& call : registry.calls) {
        if (call.function == "RegSetValueExA") written.push_back(call.name);
    }
    EXPECT_EQ(written, (Calls{"RegisteredOwner", "RegisteredOrganization", "ProductId",
                              "ProductKey", "DefCompany", "DefName"}));
    EXPECT_EQ(Version("RegisteredOwner"), Sz("Owner Text"));
    EXPECT_EQ(Setup("DefName"), Sz("Owner Text"));
    EXPECT_EQ(Setup("DefCompany"), Sz("Company Text"));
}

TEST_F(Editor, ClearThenOkLeavesSixEmptyStrings) {
    SeedAll();
    Load();
    editor->Command3_Click();
    for (const auto& text : view.texts) EXPECT_EQ(text, u"");
    EXPECT_EQ(Version("RegisteredOwner"), Sz("Ann Owner"));  // Clear writes nothing
    editor->Command1_Click();
    for (const char* name :
         {"RegisteredOwner", "RegisteredOrganization", "ProductId", "ProductKey"}) {
        EXPECT_EQ(Version(name), Sz("")) << name;
    }
    EXPECT_EQ(Setup("DefName"), Sz(""));
    EXPECT_EQ(Setup("DefCompany"), Sz(""));
}

TEST_F(Editor, AMissingSetupKeyIsNeitherCreatedNorReported) {
    Hkey key = kNullKey;
    store->RegOpenKeyExA(kCurrentUser, kSetupKey, 0, kKeyAllAccess, &key);
    store->RegDeleteKeyA(key, "");
    store->RegCloseKey(key);
    Load();
    Type(TextBox::Text1, u"New Owner");
    editor->Command1_Click();
    EXPECT_EQ(Version("RegisteredOwner"), Sz("New Owner"));
    EXPECT_EQ(Setup("DefName"), "no key");
    EXPECT_TRUE(view.messages.empty());
    EXPECT_TRUE(view.ended);
}

TEST_F(Editor, AFailedWriteOfARegistrationValueKeepsItsOldValueAndTheWindowOpen) {
    const char* names[] = {"RegisteredOwner", "RegisteredOrganization", "ProductId", "ProductKey"};
    const char16_t* labels[] = {u"Registered Owner", u"Registered Organization", u"Product ID",
                                u"Product Key"};
    for (int step = 0; step < 4; ++step) {
        SeedAll();
        Put(kMachine, kVersionKey, names[step], kRegDword, std::string("\7\0\0\0", 4));
        view = {};
        Load();
        Type(TextBox::Text1, u"Changed");
        registry.Inject({"RegSetValueExA", std::string(names[step]), kErrorAccessDenied, 1});
        editor->Command1_Click();
        EXPECT_EQ(Version(names[step]), std::string("4:\7\0\0\0", 6)) << names[step];
        EXPECT_FALSE(view.ended);
        ASSERT_EQ(view.messages.size(), 1u);
        const std::u16string& message = view.messages[0];
        EXPECT_NE(message.find(labels[step]), std::u16string::npos);
        EXPECT_NE(message.find(u"other values were saved"), std::u16string::npos);
        for (int other = 0; other < 4; ++other) {
            if (other != step) {
                EXPECT_EQ(message.find(std::u16string(labels[other]) + u","), std::u16string::npos);
                EXPECT_NE(Version(names[other]), "missing");
            }
        }
        EXPECT_EQ(Setup("DefName"), Sz("Changed"));  // all six steps still ran
        // Pressing OK again succeeds once the registry takes the write.
        editor->Command1_Click();
        EXPECT_TRUE(view.ended);
        EXPECT_EQ(view.messages.size(), 1u);
    }
}

TEST_F(Editor, AFailedWriteOfASetupDefaultStaysSilent) {
    for (const char* name : {"DefCompany", "DefName"}) {
        Put(kCurrentUser, kSetupKey, name, kRegSz, std::string("Kept\0", 5));
        view = {};
        Load();
        registry.Inject({"RegSetValueExA", std::string(name), kErrorAccessDenied, 1});
        editor->Command1_Click();
        EXPECT_TRUE(view.ended) << name;
        EXPECT_TRUE(view.messages.empty());
        EXPECT_EQ(Setup(name), Sz("Kept"));
    }
}

TEST_F(Editor, ARegistryThatRefusesEveryWriteNamesAllFourValues) {
    SeedAll();
    Load();
    registry.Inject({"RegOpenKeyExA", std::nullopt, kErrorAccessDenied, -1});
    editor->Command1_Click();
    ASSERT_EQ(view.messages.size(), 1u);
    for (const char16_t* label :
         {u"Registered Owner", u"Registered Organization", u"Product ID", u"Product Key"}) {
        EXPECT_NE(view.messages[0].find(label), std::u16string::npos);
    }
    EXPECT_EQ(view.messages[0].find(u"other values"), std::u16string::npos);
    EXPECT_FALSE(view.ended);
    EXPECT_EQ(Version("RegisteredOwner"), Sz("Ann Owner"));
}

TEST_F(Editor, AStoreThatCannotBeUsedIsToldOnceAndTheWindowStillOpens) {
    registry.calls.clear();
    store.reset();
    std::ofstream(path, std::ios::trunc) << "not a registry";
    store::RegistryStore foreign(path);
    ASSERT_TRUE(foreign.Problem());
    testing_support::RecordingRegistry recorder(foreign);
    app::Vantrel broken(platform::Platform{recorder, testing_support::NativeSystem()}, view, [&] {
        return std::u16string(foreign.Problem()->begin(), foreign.Problem()->end());
    });
    broken.Form_Load();
    EXPECT_EQ(view.calls.front(), "Show");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find(u"registry.db"), std::u16string::npos);
    for (const auto& text : view.texts) EXPECT_EQ(text, u"");
}

TEST_F(Editor, TextTheCodePageCannotHoldIsRefusedBeforeAnythingIsWritten) {
    ASSUME_CODE_PAGE(1252);
    SeedAll();
    Load();
    Type(TextBox::Text1, u"\u0141\u00F3d\u017A \u6771\u4EAC");  // "Lodz Tokyo", in their letters
    Type(TextBox::Text3, u"caf\u00E9");                         // the code page holds this one
    Type(TextBox::Text4, u"key \U0001F511");
    registry.calls.clear();
    editor->Command1_Click();
    EXPECT_TRUE(registry.calls.empty()) << "the registry was touched";
    ASSERT_EQ(view.messages.size(), 1u);
    const std::u16string& message = view.messages[0];
    EXPECT_NE(message.find(u"Nothing was saved"), std::u16string::npos);
    EXPECT_NE(message.find(u"Registered Owner, Product Key."), std::u16string::npos);
    // The limit is the code page's, and the message says which one.
    EXPECT_NE(message.find(u"this system's code page (1252) cannot hold"), std::u16string::npos);
    EXPECT_EQ(message.find(u"Product ID"), std::u16string::npos);
    EXPECT_FALSE(view.ended);
    EXPECT_EQ(Version("RegisteredOwner"), Sz("Ann Owner"));

    // Once the text fits, OK saves it.
    Type(TextBox::Text1, u"\u00C5sa \u00D8berg");
    Type(TextBox::Text4, u"key");
    editor->Command1_Click();
    EXPECT_TRUE(view.ended);
    EXPECT_EQ(Version("RegisteredOwner"), Sz("\xC5"
                                             "sa \xD8"
                                             "berg"));
}

TEST_F(Editor, AFailedSaveAddsWhatTheRegistrySaysOfItself) {
    SeedAll();
    std::u16string problem;
    Load([&] { return problem; });
    EXPECT_TRUE(view.messages.empty());
    registry.Inject({"RegSetValueExA", std::nullopt, kErrorAccessDenied, -1});
    problem = u"The registry store is read-only.";
    editor->Command1_Click();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find(u"Not saved: Registered Owner"), std::u16string::npos);
    EXPECT_NE(view.messages[0].find(u"\n\nThe registry store is read-only."), std::u16string::npos);
    // Rights are a matter of Windows NT: a store of the 9x line says nothing of administrators.
    EXPECT_EQ(view.messages[0].find(u"administrator"), std::u16string::npos);
}

TEST_F(Editor, AStoreThatMayOnlyBeReadLoadsAndOnlyASaveSaysItIsReadOnly) {
    SeedAll();
    store.reset();
    if (const std::string why = testing_support::MakeFolderReadOnly(dir.File("")); !why.empty()) {
        GTEST_SKIP() << "cannot make a read-only folder here: " << why;
    }
    store::RegistryStore readOnly(path);
    testing_support::RecordingRegistry recorder(readOnly);
    app::Vantrel window(platform::Platform{recorder, testing_support::NativeSystem()}, view, [&] {
        return readOnly.Problem()
                   ? std::u16string(readOnly.Problem()->begin(), readOnly.Problem()->end())
                   : std::u16string();
    });
    window.Form_Load();
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(Shown(TextBox::Text1), u"Ann Owner");
    EXPECT_EQ(Shown(TextBox::Text4), u"AAAAA-BBBBB");

    Type(TextBox::Text1, u"Changed");
    window.Command1_Click();
    EXPECT_FALSE(view.ended);
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find(u"Not saved: Registered Owner, Registered Organization"),
              std::u16string::npos);
    EXPECT_NE(view.messages[0].find(u"is read-only"), std::u16string::npos);
}

TEST_F(Editor, CancelEndsWithoutWriting) {
    SeedAll();
    Load();
    Type(TextBox::Text1, u"Not saved");
    registry.calls.clear();
    editor->Command2_Click();
    EXPECT_TRUE(view.ended);
    EXPECT_TRUE(registry.calls.empty());
    EXPECT_EQ(Version("RegisteredOwner"), Sz("Ann Owner"));
}

TEST_F(Editor, TheTabSwitchEnablesOkAndClearOnlyOnRegistrationInfo) {
    Load();
    std::int16_t previous = 0;
    editor->SSTab1_Click(previous);
    EXPECT_EQ(view.enabled, (std::array<bool, 4>{false, true, false, true}));
    previous = 1;
    editor->SSTab1_Click(previous);
    EXPECT_EQ(view.enabled, (std::array<bool, 4>{true, true, true, true}));
    EXPECT_EQ(previous, 1);
}

TEST_F(Editor, TheLicenceWindowIsOneWindowUntilItIsClosed) {
    Load();
    editor->Command4_Click();
    editor->Command4_Click();
    ASSERT_EQ(view.licenseWindows.size(), 1u);
    EXPECT_EQ(view.licenseWindows[0]->shown, 2);
    editor->LicenseWindow()->Command1_Click();
    EXPECT_TRUE(view.licenseWindows[0]->hidden);
    EXPECT_TRUE(view.licenseWindows[0]->destroyed);
    EXPECT_EQ(editor->LicenseWindow(), nullptr);
    editor->Command4_Click();
    ASSERT_EQ(view.licenseWindows.size(), 2u);
    editor->LicenseWindow()->Form_Unload();  // its frame's close box
    EXPECT_TRUE(view.licenseWindows[1]->destroyed);
    EXPECT_FALSE(view.licenseWindows[1]->hidden);
}

namespace {

const std::u16string kPolishName = u"\u0141ukasz \u017B\u00F3\u0142w";
const std::u16string kRussianCompany =
    u"\u0418\u0432\u0430\u043D \u0438 \u043F\u0430\u0440\u0442\u043D\u0451\u0440\u044B";

}  // namespace

// A value the code page cannot hold reaches its box with stand-ins for what was lost.
// Writing the box back would store the stand-ins: OK refuses, naming the boxes.
TEST_F(Editor, ValuesThatLostCharactersOnTheWayInAreNotWrittenBack) {
    ASSUME_CODE_PAGE(1252);
    SeedAll();
    PutWide(kMachine, kVersionKey, u"RegisteredOwner", kPolishName);
    PutWide(kMachine, kVersionKey, u"RegisteredOrganization", kRussianCompany);
    Load();
    EXPECT_EQ(Shown(TextBox::Text1), u"?ukasz ?\u00F3?w");
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0],
              u"Registered Owner and Registered Organization hold characters that this "
              u"system's code page cannot show; the boxes show other characters in their "
              u"place.\n\nOK saves nothing until you retype them. Cancel keeps them as they are.");

    registry.calls.clear();
    editor->Command1_Click();
    EXPECT_EQ(Writes(), std::vector<std::string>{});
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[1],
              u"Nothing was saved. Registered Owner and Registered Organization hold characters "
              u"that this system's code page cannot show; retype them, or press Cancel to keep "
              u"them as they are.");
    EXPECT_FALSE(view.ended);
    // Another box changed makes no difference: the lossy ones are still as loaded.
    Type(TextBox::Text3, u"54321-OEM");
    editor->Command1_Click();
    EXPECT_EQ(Writes(), std::vector<std::string>{});
    EXPECT_EQ(StoredWide(kMachine, kVersionKey, u"RegisteredOwner"), kPolishName);
    EXPECT_EQ(StoredWide(kMachine, kVersionKey, u"RegisteredOrganization"), kRussianCompany);
    EXPECT_EQ(Version("ProductId"), Sz("12345-OEM"));
}

TEST_F(Editor, ALossyBoxRetypedIsSavedAndOneLeftAloneIsStillRefused) {
    ASSUME_CODE_PAGE(1252);
    SeedAll();
    PutWide(kMachine, kVersionKey, u"RegisteredOwner", kPolishName);
    PutWide(kMachine, kVersionKey, u"RegisteredOrganization", kRussianCompany);
    Load();
    Type(TextBox::Text1, u"Lukasz Zolw");
    editor->Command1_Click();
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[1],
              u"Nothing was saved. Registered Organization holds characters that this system's "
              u"code page cannot show; retype it, or press Cancel to keep it as it is.");
    EXPECT_FALSE(view.ended);

    Type(TextBox::Text2, u"Ivan i partnery");
    editor->Command1_Click();
    EXPECT_TRUE(view.ended);
    EXPECT_EQ(Version("RegisteredOwner"), Sz("Lukasz Zolw"));
    EXPECT_EQ(Version("RegisteredOrganization"), Sz("Ivan i partnery"));
    EXPECT_EQ(Setup("DefName"), Sz("Lukasz Zolw"));
}

TEST_F(Editor, ClearingALossyBoxCountsAsRetypingIt) {
    ASSUME_CODE_PAGE(1252);
    SeedAll();
    PutWide(kMachine, kVersionKey, u"RegisteredOwner", kPolishName);
    Load();
    EXPECT_EQ(view.messages,
              std::vector<std::u16string>{
                  u"Registered Owner holds characters that this system's code page cannot "
                  u"show; the box shows other characters in their place.\n\nOK saves nothing "
                  u"until you retype it. Cancel keeps it as it is."});
    editor->Command3_Click();
    editor->Command1_Click();
    EXPECT_TRUE(view.ended);
    EXPECT_EQ(Version("RegisteredOwner"), Sz(""));
}

TEST_F(Editor, CancelAfterALossyLoadWritesNothing) {
    ASSUME_CODE_PAGE(1252);
    SeedAll();
    PutWide(kMachine, kVersionKey, u"RegisteredOwner", kPolishName);
    Load();
    registry.calls.clear();
    editor->Command2_Click();
    EXPECT_TRUE(view.ended);
    EXPECT_TRUE(registry.calls.empty());
    EXPECT_EQ(StoredWide(kMachine, kVersionKey, u"RegisteredOwner"), kPolishName);
}

// In UTF-8 nothing is lost: the names show and are saved as they are stored.
TEST_F(Editor, InUtf8EveryNameIsShownAndSavedUnchanged) {
    ASSUME_CODE_PAGE(65001);
    SeedAll();
    PutWide(kMachine, kVersionKey, u"RegisteredOwner", kPolishName);
    PutWide(kMachine, kVersionKey, u"RegisteredOrganization", kRussianCompany);
    Load();
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(Shown(TextBox::Text1), kPolishName);
    EXPECT_EQ(Shown(TextBox::Text2), kRussianCompany);
    editor->Command1_Click();
    EXPECT_TRUE(view.ended);
    EXPECT_EQ(StoredWide(kMachine, kVersionKey, u"RegisteredOwner"), kPolishName);
    EXPECT_EQ(StoredWide(kMachine, kVersionKey, u"RegisteredOrganization"), kRussianCompany);
    EXPECT_EQ(StoredWide(kCurrentUser, kSetupKey, u"DefName"), kPolishName);
    EXPECT_EQ(StoredWide(kCurrentUser, kSetupKey, u"DefCompany"), kRussianCompany);
}

// Windows NT keeps the registration information in Windows NT\CurrentVersion; the 9x key
// beside it is read where the NT key lacks a value, and written for programs that read it.
class NtEditor : public Editor {
protected:
    NtEditor() { registry.family = RegistryFamily::WindowsNt; }

    std::vector<std::string> Written() const {
        std::vector<std::string> written;
        std::string key;
        for (const auto& call : registry.calls) {
            if (call.function == "RegOpenKeyExA") key = call.name;
            if (call.function == "RegSetValueExA") written.push_back(key + call.name);
        }
        return written;
    }
};

TEST_F(NtEditor, EachBoxComesFromTheNtKeyAndAValueItLacksFromThe9xKey) {
    SeedAll();
    PutNtString("RegisteredOwner", "NT Owner");
    PutNtString("ProductId", "55274-OEM");
    Put(kMachine, kNtVersionKey, "ProductKey", kRegDword, std::string("\xCE\x07\0\0", 4));
    Load();
    EXPECT_EQ(Shown(TextBox::Text1), u"NT Owner");
    EXPECT_EQ(Shown(TextBox::Text2), u"Org Ltd");  // not in the NT key
    EXPECT_EQ(Shown(TextBox::Text3), u"55274-OEM");
    EXPECT_EQ(Shown(TextBox::Text4), u"1998");  // there, though not a string: no fallback
    EXPECT_EQ(view.calls,
              (Calls{"Show", "SetText 1", "SetText 2", "SetText 3", "SetText 4", "SetFocus 1"}));
    EXPECT_TRUE(view.messages.empty());
    EXPECT_EQ(registry.calls[0].name, "software\\microsoft\\windows nt\\currentversion\\");
}

TEST_F(NtEditor, WithoutAnNtKeyEveryBoxComesFromThe9xKey) {
    SeedAll();
    Load();
    EXPECT_EQ(Shown(TextBox::Text1), u"Ann Owner");
    EXPECT_EQ(Shown(TextBox::Text4), u"AAAAA-BBBBB");
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(NtEditor, AValueInNeitherKeyShowsEmptyRatherThanTheValueBefore) {
    PutNtString("RegisteredOwner", "NT Owner");
    Hkey key = kNullKey;
    store->RegOpenKeyExA(kMachine, kVersionKey, 0, kKeyAllAccess, &key);
    store->RegDeleteValueA(key, "RegisteredOrganization");
    store->RegCloseKey(key);
    Load();
    EXPECT_EQ(Shown(TextBox::Text1), u"NT Owner");
    EXPECT_EQ(Shown(TextBox::Text2), u"");
}

TEST_F(NtEditor, OkWritesTheFourValuesToBothKeysThenTheSetupDefaults) {
    SeedAll();
    PutNtString("RegisteredOwner", "NT Owner");
    PutNtString("ProductId", "OLD-ID");
    Load();
    Type(TextBox::Text3, u"NEW-ID");
    registry.calls.clear();
    editor->Command1_Click();
    const std::string nt = "software\\microsoft\\windows nt\\currentversion\\";
    const std::string nine = "software\\microsoft\\windows\\currentversion\\";
    const std::string setup = "software\\Microsoft\\ms setup (ACME)\\User Info\\";
    EXPECT_EQ(Written(),
              (Calls{nt + "RegisteredOwner", nt + "RegisteredOrganization", nt + "ProductId",
                     nt + "ProductKey", nine + "RegisteredOwner", nine + "RegisteredOrganization",
                     nine + "ProductId", nine + "ProductKey", setup + "DefCompany",
                     setup + "DefName"}));
    for (const char* key : {kNtVersionKey, kVersionKey}) {
        EXPECT_EQ(Stored(kMachine, key, "RegisteredOwner"), Sz("NT Owner")) << key;
        EXPECT_EQ(Stored(kMachine, key, "RegisteredOrganization"), Sz("Org Ltd")) << key;
        EXPECT_EQ(Stored(kMachine, key, "ProductId"), Sz("NEW-ID")) << key;
        EXPECT_EQ(Stored(kMachine, key, "ProductKey"), Sz("AAAAA-BBBBB")) << key;
    }
    EXPECT_EQ(Setup("DefName"), Sz("NT Owner"));
    EXPECT_EQ(Setup("DefCompany"), Sz("Org Ltd"));
    EXPECT_TRUE(view.ended);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(NtEditor, AValueWrittenToOneKeyOnlyIsNotSaved) {
    for (const char* key : {"software\\microsoft\\windows nt\\currentversion\\",
                            "software\\microsoft\\windows\\currentversion\\"}) {
        SeedAll();
        PutNtString("ProductId", "OLD-ID");
        view = {};
        Load();
        Type(TextBox::Text3, u"NEW-ID");
        // The second write of ProductId goes to the 9x key, the first to the NT key.
        registry.Inject({"RegSetValueExA", std::string("ProductId"), kErrorFileNotFound, 1,
                         std::string(key).find(" nt") == std::string::npos ? 1 : 0});
        editor->Command1_Click();
        EXPECT_FALSE(view.ended) << key;
        ASSERT_EQ(view.messages.size(), 1u);
        EXPECT_NE(view.messages[0].find(u"Not saved: Product ID.\nThe other values were saved."),
                  std::u16string::npos);
        EXPECT_EQ(view.messages[0].find(u"administrator"), std::u16string::npos);
    }
}

TEST_F(NtEditor, ARefusalForWantOfRightsSaysOnlyAnAdministratorCanChangeTheValues) {
    SeedAll();
    PutNtString("RegisteredOwner", "NT Owner");
    Load();
    Type(TextBox::Text1, u"New Owner");
    // Every key of the save: four values in each of two keys, two setup defaults.
    registry.Inject({"RegOpenKeyExA", std::nullopt, kErrorAccessDenied, 10});
    editor->Command1_Click();
    EXPECT_FALSE(view.ended);
    ASSERT_EQ(view.messages.size(), 1u);
    const std::u16string message = view.messages[0];
    EXPECT_NE(message.find(u"Not saved: Registered Owner, Registered Organization, Product ID, "
                           u"Product Key."),
              std::u16string::npos);
    EXPECT_NE(message.find(u"kept for all users"), std::u16string::npos);
    EXPECT_NE(message.find(u"only an administrator can change"), std::u16string::npos);
    EXPECT_EQ(message.find(u"Check that you may change"), std::u16string::npos);
    EXPECT_EQ(NtVersion("RegisteredOwner"), Sz("NT Owner"));
    EXPECT_EQ(Version("RegisteredOwner"), Sz("Ann Owner"));

    // A refusal of the save before does not colour the next one.
    view.messages.clear();
    registry.Inject({"RegSetValueExA", std::nullopt, kErrorFileNotFound, 1});
    editor->Command1_Click();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].find(u"Not saved: Registered Owner."), std::u16string::npos);
    EXPECT_EQ(view.messages[0].find(u"administrator"), std::u16string::npos);
    EXPECT_EQ(NtVersion("RegisteredOrganization"), Sz("Org Ltd"));
}

TEST_F(Editor, A9xRegistryNeverTouchesTheNtKey) {
    SeedAll();
    PutNtString("RegisteredOwner", "NT Owner");
    Load();
    EXPECT_EQ(Shown(TextBox::Text1), u"Ann Owner");
    Type(TextBox::Text1, u"New Owner");
    editor->Command1_Click();
    EXPECT_TRUE(view.ended);
    for (const auto& call : registry.calls) {
        EXPECT_EQ(call.name.find("windows nt"), std::string::npos) << call.function;
    }
    EXPECT_EQ(NtVersion("RegisteredOwner"), Sz("NT Owner"));
    EXPECT_EQ(Version("RegisteredOwner"), Sz("New Owner"));
}
