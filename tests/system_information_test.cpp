// The control's system information: the setup program's defaults read from the registry,
// the directories and computer name, and the volume label and serial number.
#include <gtest/gtest.h>

#include "event_log.h"
#include "native_platform.h"
#include "recording_registry.h"
#include "recording_site.h"
#include "recording_system.h"
#include "regctl/memory_property_bag.h"
#include "regctl/tav_registry.h"
#include "test_registry.h"

using namespace platform;
using regctl::MemoryPropertyBag;
using regctl::TavRegistry;
using regctl::Variant;
using Names = std::vector<std::string>;

namespace {

const Hkey kCurrentUser = RootKey(kHkeyCurrentUser);
const char* const kSetupKey = "Software\\Microsoft\\MS Setup (ACME)\\User Info";

class SystemInformation : public ::testing::Test {
protected:
    testing_support::TestRegistry test;
    platform::WideRegistryApi& store = test.Api();
    testing_support::RecordingRegistry registry{store};
    testing_support::RecordingSystem system{testing_support::NativeSystem()};
    testing_support::RecordingSite site;
    TavRegistry control{platform::Platform{registry, system}, site};
    testing_support::EventLog events{control};

    void PutSetup(const char* name, const std::string& bytes, Dword type = kRegSz) {
        Hkey key = kNullKey;
        ASSERT_EQ(store.RegCreateKeyExA(kCurrentUser, kSetupKey, 0, nullptr, 0, kKeyAllAccess,
                                        nullptr, &key, nullptr),
                  kErrorSuccess);
        ASSERT_EQ(store.RegSetValueExA(key, name, 0, type,
                                       reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                       static_cast<Dword>(bytes.size())),
                  kErrorSuccess);
        store.RegCloseKey(key);
    }

    MemoryPropertyBag Saved() {
        MemoryPropertyBag bag;
        control.UserControl_WriteProperties(bag);
        return bag;
    }

    std::string SavedText(const char* name) {
        const Variant value = Saved().ReadProperty(name, Variant());
        return value.IsString() ? platform::codepage::Encode(value.AsString()) : "<none>";
    }
};

}  // namespace

TEST_F(SystemInformation, SetupDefaultsDropOneFinalNulAndSurroundingSpaces) {
    PutSetup("DefName", std::string("Test Owner\0", 11));
    PutSetup("DefCompany", std::string("  Test Co  \0", 12));
    EXPECT_EQ(control.UserName(), u"Test Owner");
    EXPECT_EQ(control.CompanyName(), u"Test Co");
    PutSetup("DefName", "Test Owner");  // without its NUL
    EXPECT_EQ(control.UserName(), u"Test Owner");
    PutSetup("DefName", std::string("\tTab\0\0", 6));  // only the last NUL goes
    // Windows 9x stored the string up to its first NUL.
    EXPECT_EQ(control.UserName(), testing_support::TestRegistry::IsWindows9x()
                                      ? std::u16string(u"\tTab")
                                      : std::u16string(u"\tTab\0", 5));
    PutSetup("DefName", "");
    EXPECT_EQ(control.UserName(), u"");
    PutSetup("DefName", "\1\2", kRegBinary);  // taken as text whatever the type
    EXPECT_EQ(control.UserName(), u"\1\2");
    EXPECT_TRUE(events.lines.empty());
}

TEST_F(SystemInformation, SetupDefaultsReadTheFixedKeyWithA1024ByteBuffer) {
    control.RegistryKey(2);
    control.KeyName(u"Software\\Elsewhere");
    control.ValueName(u"DefName");
    PutSetup("DefName", std::string("Owner\0", 6));
    registry.calls.clear();
    EXPECT_EQ(control.UserName(), u"Owner");
    ASSERT_EQ(registry.Functions(), (Names{"RegOpenKeyExA", "RegQueryValueExA", "RegCloseKey"}));
    EXPECT_EQ(registry.calls[0].key, kCurrentUser);
    EXPECT_EQ(registry.calls[0].name, "SOFTWARE\\Microsoft\\MS Setup (ACME)\\User Info");
    EXPECT_EQ(registry.calls[1].size, 1024u);
    // 1,024 bytes with the NUL fit the buffer; 1,025 do not.
    PutSetup("DefName", std::string(1023, 'x') + std::string(1, '\0'));
    EXPECT_EQ(control.UserName(), std::u16string(1023, u'x'));
    PutSetup("DefName", std::string(1024, 'x') + std::string(1, '\0'));
    EXPECT_EQ(control.UserName(), u"");
}

TEST_F(SystemInformation, AMissingValueOrKeyReadsEmptyAndClosesOnlyWhatWasOpened) {
    PutSetup("DefName", std::string("Owner\0", 6));
    Hkey key = kNullKey;
    store.RegOpenKeyExA(kCurrentUser, kSetupKey, 0, kKeyAllAccess, &key);
    store.RegDeleteValueA(key, "DefCompany");
    registry.calls.clear();
    EXPECT_EQ(control.CompanyName(), u"");
    EXPECT_EQ(control.UserName(), u"Owner");
    EXPECT_EQ(registry.Functions().back(), "RegCloseKey");
    store.RegDeleteValueA(key, "DefName");
    store.RegDeleteKeyA(key, "");
    registry.calls.clear();
    EXPECT_EQ(control.UserName(), u"");
    EXPECT_EQ(registry.Functions(), Names{"RegOpenKeyExA"});
}

TEST_F(SystemInformation, WritingADefaultKeepsAFreshReadingAndLeavesTheRegistryAlone) {
    PutSetup("DefName", std::string("Registry Name\0", 14));
    registry.calls.clear();
    control.UserName(u"Someone");
    control.CompanyName(u"Other Co");
    EXPECT_EQ(site.changed, (Names{"UserName", "CompanyName"}));
    for (const auto& call : registry.calls) EXPECT_NE(call.function, "RegSetValueExA");
    EXPECT_EQ(control.UserName(), u"Registry Name");
    EXPECT_TRUE(Saved().Entries().empty());  // neither is a saved property
}

TEST_F(SystemInformation, AValueTheControlSavedReadsBackAsTheDefault) {
    control.RegistryKey(1);
    control.KeyName(u"Software\\Microsoft\\MS Setup (ACME)\\User Info");
    control.ValueName(u"DefName");
    control.CreateKey();
    control.ValueSetting(u"  Saved Owner");
    control.SetValue();
    EXPECT_EQ(control.UserName(), u"Saved Owner");
}

TEST_F(SystemInformation, DirectoriesAndComputerNameAreReadAfreshEachTime) {
    system.windowsDirectory = "C:\\WINDOWS";
    system.systemDirectory = "C:\\WINDOWS\\SYSTEM";
    system.computerName = "  PC1 ";
    EXPECT_EQ(control.WindowsDir(), u"C:\\WINDOWS");
    EXPECT_EQ(control.WinSysDir(), Variant(u"C:\\WINDOWS\\SYSTEM"));
    EXPECT_EQ(control.ComputerName(), u"PC1");
    system.computerName = "PC2";
    EXPECT_EQ(control.ComputerName(), u"PC2");
    system.failComputerName = true;
    EXPECT_EQ(control.ComputerName(), u"");
    EXPECT_TRUE(registry.calls.empty());
}

TEST_F(SystemInformation, WritingADirectoryOrTheNameChangesNoLaterReading) {
    const std::u16string windows = control.WindowsDir();
    const Variant system32 = control.WinSysDir();
    const std::u16string computer = control.ComputerName();
    ASSERT_FALSE(windows.empty());
    ASSERT_TRUE(system32.IsString());
    site.changed.clear();
    control.WindowsDir(u"X:\\");
    control.WinSysDir(Variant(std::int32_t{5}));
    control.ComputerName(u"OTHER");
    EXPECT_EQ(site.changed, (Names{"WindowsDir", "WinSysDir", "ComputerName"}));
    EXPECT_EQ(control.WindowsDir(), windows);
    EXPECT_EQ(control.WinSysDir(), system32);
    EXPECT_EQ(control.ComputerName(), computer);
}

TEST_F(SystemInformation, SerialNumbersAreWrittenAsTwoHexHalves) {
    const std::pair<Dword, const char16_t*> table[] = {
        {0x1A2B3C4D, u"1A2B-3C4D"},
        {0x00120ABC, u"12-0ABC"},
        {0x123400AB, u"1234-AB"},
        {0x12340005, u"1234-5"},
        {0xFFFF0000, u"FFFF-0"},
        {0x0000FFFF, u"0-FFFF"},
        {0, u"0-0"},
        {0x80008000, u"8000-8000"},
    };
    for (const auto& [serial, text] : table) {
        system.volume = testing_support::RecordingSystem::Volume{"DATA", serial};
        EXPECT_EQ(control.SerialNumber(), text);
    }
}

TEST_F(SystemInformation, LabelsReadWithoutPaddingAndBlankOnesReadAsNoName) {
    system.volume = testing_support::RecordingSystem::Volume{"DATA", 1};
    EXPECT_EQ(control.VolumeLabel(), u"DATA");
    system.volume->label = "THIRTEENCHARS";
    EXPECT_EQ(control.VolumeLabel(), u"THIRTEENCHARS");
    system.volume->label = "   ";
    EXPECT_EQ(control.VolumeLabel(), u"(No Volume Name!)");
    system.volume->label = " MY DISK ";
    EXPECT_EQ(control.VolumeLabel(), u" MY DISK ");
    system.volume->label = std::string("AB\0CD", 5);  // cut at the first NUL
    EXPECT_EQ(control.VolumeLabel(), u"AB");
    system.volume->label = std::string("\0XY", 3);
    EXPECT_EQ(control.VolumeLabel(), u"(No Volume Name!)");
    system.volume->label = "";
    EXPECT_EQ(control.VolumeLabel(), u"(No Volume Name!)");
    EXPECT_EQ(control.SerialNumber(), u"0-1");
}

TEST_F(SystemInformation, AnEmptyOrIncompleteDriveNamesNoVolume) {
    EXPECT_EQ(control.VolumeLabel(), u"(No Volume Name!)");
    EXPECT_EQ(control.SerialNumber(), u"0-0");
    EXPECT_EQ(system.calls.back(), "GetVolumeInformationA ");
    control.Drive(u"D");
    EXPECT_EQ(control.Drive(), u"D");
    EXPECT_EQ(SavedText("SerialNumber"), "0-0");
    EXPECT_EQ(system.calls.back(), "GetVolumeInformationA D");
}

TEST_F(SystemInformation, WritingDriveStoresNotifiesAndRefreshesForTheNextSave) {
    system.volume = testing_support::RecordingSystem::Volume{"BOOT", 0x1A2B3C4D};
    control.Drive(u"/");
    EXPECT_EQ(site.changed, Names{"Drive"});
    EXPECT_EQ(SavedText("Drive"), "/");
    EXPECT_EQ(SavedText("VolumeLabel"), "BOOT");
    EXPECT_EQ(SavedText("SerialNumber"), "1A2B-3C4D");
    const auto callsBefore = system.calls.size();
    EXPECT_EQ(control.Drive(), u"/");
    EXPECT_EQ(system.calls.size(), callsBefore);  // reading Drive touches no volume
}

TEST_F(SystemInformation, AWrittenLabelIsSavedUntilTheNextRefresh) {
    system.volume = testing_support::RecordingSystem::Volume{"DATA", 7};
    control.VolumeLabel(u"Backup");
    control.SerialNumber(u"1-1");
    EXPECT_EQ(site.changed, (Names{"VolumeLabel", "SerialNumber"}));
    EXPECT_EQ(SavedText("VolumeLabel"), "Backup");
    EXPECT_EQ(SavedText("SerialNumber"), "1-1");
    EXPECT_EQ(control.VolumeLabel(), u"DATA");
    EXPECT_EQ(SavedText("SerialNumber"), "0-7");  // either read refreshes both
}
