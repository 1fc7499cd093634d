// The five registry operations against the registry store: the calls they make, the
// events they raise, and what the registry holds afterwards.
#include <gtest/gtest.h>

#include "code_page.h"
#include "error_of.h"
#include "event_log.h"
#include "native_platform.h"
#include "recording_registry.h"
#include "recording_site.h"
#include "regctl/memory_property_bag.h"
#include "regctl/tav_registry.h"
#include "test_registry.h"

using namespace platform;
using regctl::ErrorNumber;
using regctl::MemoryPropertyBag;
using regctl::TavRegistry;
using regctl::Variant;
using testing_support::ErrorOf;
using Lines = std::vector<std::string>;

namespace {

const Hkey kMachine = RootKey(kHkeyLocalMachine);

class Operations : public ::testing::Test {
protected:
    testing_support::TestRegistry test;
    platform::WideRegistryApi& store = test.Api();
    testing_support::RecordingRegistry registry{store};
    testing_support::RecordingSite site;
    TavRegistry control{platform::Platform{registry, testing_support::NativeSystem()}, site};
    testing_support::EventLog events{control};

    void SetUp() override {
        control.RegistryKey(2);
        control.KeyName(u"Software\\VantrelTest");
        Put("Seed", kRegSz, std::string("\0", 1));
        registry.calls.clear();
    }

    // Writes straight into the store, as another program would.
    void Put(const char* name, Dword type, const std::string& bytes) {
        Hkey key = kNullKey;
        ASSERT_EQ(store.RegCreateKeyExA(kMachine, "Software\\VantrelTest", 0, nullptr, 0,
                                        kKeyAllAccess, nullptr, &key, nullptr),
                  kErrorSuccess);
        ASSERT_EQ(store.RegSetValueExA(key, name, 0, type,
                                       reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                       static_cast<Dword>(bytes.size())),
                  kErrorSuccess);
        store.RegCloseKey(key);
    }

    // The type and bytes the store holds for a value, or "missing".
    std::string Stored(const char* name, const char* path = "Software\\VantrelTest") {
        Hkey key = kNullKey;
        if (store.RegOpenKeyExA(kMachine, path, 0, kKeyAllAccess, &key) != kErrorSuccess) {
            return "no key";
        }
        char data[64];
        Dword type = 0, size = sizeof data;
        const Long status = store.RegQueryValueExA(key, name, nullptr, &type,
                                                   reinterpret_cast<std::uint8_t*>(data), &size);
        store.RegCloseKey(key);
        if (status != kErrorSuccess) return "missing";
        return std::to_string(type) + ":" + std::string(data, size);
    }

    bool KeyExists(const char* path) {
        Hkey key = kNullKey;
        const bool exists =
            store.RegOpenKeyExA(kMachine, path, 0, kKeyAllAccess, &key) == kErrorSuccess;
        store.RegCloseKey(key);
        return exists;
    }

    Lines Query(const char16_t* name) {
        control.ValueName(name);
        events.lines.clear();
        control.QueryValue();
        return events.lines;
    }

    Lines Set(std::int32_t type, Variant value, const char16_t* name = u"V") {
        control.ValueName(name);
        control.ValueType(type);
        control.ValueSetting(std::move(value));
        events.lines.clear();
        registry.calls.clear();
        control.SetValue();
        return events.lines;
    }

    // Every key the operation opened was closed.
    void ExpectBalanced() {
        int opened = 0, closed = 0;
        for (const auto& call : registry.calls) {
            opened += call.function == "RegOpenKeyExA" || call.function == "RegCreateKeyExA";
            closed += call.function == "RegCloseKey";
        }
        EXPECT_EQ(opened, closed);
    }
};

}  // namespace

TEST_F(Operations, QueryReadsAStringWithOpenTwoReadsAndClose) {
    Put("Owner", kRegSz, std::string("ab\0", 3));
    EXPECT_EQ(Query(u"Owner"), Lines{"RegKey string \"ab\" true"});
    EXPECT_EQ(registry.Functions(),
              (Lines{"RegOpenKeyExA", "RegQueryValueExA", "RegQueryValueExA", "RegCloseKey"}));
    EXPECT_EQ(registry.calls[0].name, "Software\\VantrelTest\\");
    EXPECT_EQ(registry.calls[0].access, kKeyAllAccess);
    EXPECT_FALSE(registry.calls[1].withBuffer);
    EXPECT_TRUE(registry.calls[2].withBuffer);
    EXPECT_EQ(registry.calls[2].size, 3u);
    EXPECT_EQ(registry.calls[3].key, registry.calls[2].key);
}

TEST_F(Operations, QueryCutsAStringAtItsFirstNul) {
    Put("Bare", kRegSz, "whole");
    Put("Embedded", kRegSz, std::string("a\0bc\0", 5));
    Put("JustNul", kRegSz, std::string("\0", 1));
    Put("NoData", kRegSz, "");
    EXPECT_EQ(Query(u"Bare"), Lines{"RegKey string \"whole\" true"});
    EXPECT_EQ(Query(u"Embedded"), Lines{"RegKey string \"a\" true"});
    EXPECT_EQ(Query(u"JustNul"), Lines{"RegKey string \"\" true"});
    EXPECT_EQ(Query(u"NoData"), Lines{"RegKey string \"\" true"});
}

TEST_F(Operations, QueryReadsIntegersAsSigned32Bits) {
    Put("Seven", kRegDword, std::string("\7\0\0\0", 4));
    Put("MinusOne", kRegDword, "\xFF\xFF\xFF\xFF");
    EXPECT_EQ(Query(u"Seven"), Lines{"RegKey int32 7 false"});
    EXPECT_EQ(Query(u"MinusOne"), Lines{"RegKey int32 -1 false"});
}

TEST_F(Operations, QueryNeverReadsMoreThanFourBytesOfAnInteger) {
    Put("Wide", kRegDword, std::string("\1\0\0\0\0\0\0\0", 8));
    EXPECT_EQ(Query(u"Wide"), Lines{"RegKey empty false"});
    ASSERT_EQ(registry.calls.size(), 4u);
    EXPECT_EQ(registry.calls[2].size, 4u);
    EXPECT_EQ(registry.calls[2].status, kErrorMoreData);
}

TEST_F(Operations, QueryDeliversOtherTypesAsEmptyWithoutAnError) {
    Put("Expand", kRegExpandSz, std::string("%PATH%\0", 7));
    Put("Binary", kRegBinary, "\1\2");
    Put("Multi", kRegMultiSz, std::string("a\0b\0\0", 5));
    for (const char16_t* name : {u"Expand", u"Binary", u"Multi"}) {
        EXPECT_EQ(Query(name), Lines{"RegKey empty false"});
        EXPECT_EQ(registry.Functions().size(), 3u);  // no second read
        registry.calls.clear();
    }
}

TEST_F(Operations, QueryOfAMissingValueOrKeyReportsEachFailedCall) {
    EXPECT_EQ(Query(u"Missing"),
              (Lines{"Error 1002 Unable To Query Reg Value", "RegKey empty false"}));
    control.KeyName(u"Software\\VantrelTest\\Nowhere");
    registry.calls.clear();
    EXPECT_EQ(Query(u"Missing"),
              (Lines{"Error 1001 Unable To Open Key", "Error 1002 Unable To Query Reg Value",
                     "RegKey empty false"}));
    EXPECT_EQ(registry.Functions(), (Lines{"RegOpenKeyExA", "RegQueryValueExA", "RegCloseKey"}));
    EXPECT_EQ(registry.calls[1].key, kNullKey);
    EXPECT_EQ(registry.calls[2].key, kNullKey);
}

TEST_F(Operations, QueryAStringWhoseSecondReadFailsIsEmptyButStillAString) {
    Put("Owner", kRegSz, std::string("ab\0", 3));
    control.ValueName(u"Owner");
    // The value grows between the two reads: the second one fails.
    registry.Inject({"RegQueryValueExA", std::string("Owner"), kErrorMoreData, 1, 1});
    registry.calls.clear();
    events.lines.clear();
    control.QueryValue();
    EXPECT_EQ(events.lines, Lines{"RegKey empty true"});
}

TEST_F(Operations, QueryLeavesValueSettingAlone) {
    control.ValueSetting(u"kept");
    Put("Owner", kRegSz, std::string("ab\0", 3));
    Query(u"Owner");
    Query(u"Missing");
    EXPECT_EQ(control.ValueSetting(), Variant(u"kept"));
}

TEST_F(Operations, ABadRootSelectorStopsEveryOperationBeforeAnyCall) {
    MemoryPropertyBag bag{{"RegistryKey", std::int16_t{9}}, {"KeyName", u"Software\\VantrelTest"}};
    control.UserControl_ReadProperties(bag);
    for (auto operation :
         {&TavRegistry::QueryValue, &TavRegistry::SetValue, &TavRegistry::CreateKey,
          &TavRegistry::DeleteKey, &TavRegistry::DeleteValue}) {
        EXPECT_EQ(ErrorOf([&] { (control.*operation)(); }), ErrorNumber::InvalidPropertyValue);
    }
    EXPECT_TRUE(registry.calls.empty());
    EXPECT_TRUE(events.lines.empty());
}

TEST_F(Operations, SetWritesAStringWithItsTerminatingNul) {
    EXPECT_TRUE(Set(0, u"hello").empty());
    EXPECT_EQ(registry.Functions(), (Lines{"RegOpenKeyExA", "RegSetValueExA", "RegCloseKey"}));
    EXPECT_EQ(registry.calls[1].type, kRegSz);
    EXPECT_EQ(registry.calls[1].size, 6u);
    EXPECT_EQ(registry.calls[1].data, std::string("hello\0", 6));
    EXPECT_EQ(Stored("V"), std::string("1:hello\0", 8));
    Set(0, u"");
    EXPECT_EQ(registry.calls[1].size, 1u);
    Set(0, std::u16string(u"abc\0def", 7));
    EXPECT_EQ(registry.calls[1].data, std::string("abc\0", 4));
    Set(0, std::int32_t{-15});
    EXPECT_EQ(Stored("V"), std::string("1:-15\0", 6));
}

TEST_F(Operations, SetWritesIntegersAsFourLittleEndianBytes) {
    Set(1, std::int32_t{7});
    EXPECT_EQ(registry.calls[1].type, kRegDword);
    EXPECT_EQ(registry.calls[1].data, std::string("\7\0\0\0", 4));
    Set(1, std::int32_t{-1});
    EXPECT_EQ(Stored("V"), "4:\xFF\xFF\xFF\xFF");
    Set(1, u"12");
    EXPECT_EQ(Stored("V"), std::string("4:\x0C\0\0\0", 6));
    Set(1, 2.5);
    EXPECT_EQ(Stored("V"), std::string("4:\2\0\0\0", 6));
}

TEST_F(Operations, SetReplacesAValueOfAnotherType) {
    Put("V", kRegBinary, "\1\2\3");
    Set(0, u"now text");
    EXPECT_EQ(Stored("V"), std::string("1:now text\0", 11));
}

TEST_F(Operations, SetFailsBeforeWritingWhenTheValueIsNoInteger) {
    control.ValueType(0);
    control.ValueSetting(2147483648.0);
    control.ValueType(1);
    registry.calls.clear();
    EXPECT_EQ(ErrorOf([&] { control.SetValue(); }), ErrorNumber::Overflow);
    MemoryPropertyBag bag{{"RegistryKey", std::int16_t{2}},
                          {"KeyName", u"Software\\VantrelTest"},
                          {"ValueSetting", u"letters"},
                          {"ValueType", std::int32_t{1}}};
    control.UserControl_ReadProperties(bag);
    EXPECT_EQ(ErrorOf([&] { control.SetValue(); }), ErrorNumber::TypeMismatch);
    for (const auto& call : registry.calls) EXPECT_NE(call.function, "RegSetValueExA");
    ExpectBalanced();
    EXPECT_TRUE(events.lines.empty());
}

TEST_F(Operations, SetIntoAMissingKeyReportsBothFailuresAndCreatesNothing) {
    control.KeyName(u"Software\\VantrelTest\\Nowhere");
    EXPECT_EQ(Set(0, u"x"), (Lines{"Error 1001 Unable To Open Registry Key",
                                   "Error 1003 Unable To Set String Value"}));
    EXPECT_EQ(Set(1, std::int32_t{1}), (Lines{"Error 1001 Unable To Open Registry Key",
                                              "Error 1004 Unable To Set Long Value"}));
    EXPECT_FALSE(KeyExists("Software\\VantrelTest\\Nowhere"));
}

TEST_F(Operations, SetPassesStringsThroughTheScrambler) {
    ASSUME_CODE_PAGE(1252);
    control.Encryption(1);
    control.EncryptionKey(4242);
    Set(0, u"Registered");
    const std::string written = registry.calls[1].data;
    EXPECT_EQ(written.size(), 11u);
    EXPECT_NE(written.substr(0, 10), "Registered");
    // Read back unscrambled with the same key, or as stored with the switch off.
    control.Encryption(2);
    const std::u16string scrambled = platform::codepage::Decode(written.substr(0, 10));
    ASSERT_EQ(scrambled.find(u'\0'), std::u16string::npos) << "pick a key without a NUL";
    EXPECT_EQ(Query(u"V"), Lines{"RegKey string \"Registered\" true"});
    control.Encryption(0);
    Query(u"V");
    EXPECT_EQ(events.lastValue, Variant(scrambled));
}

TEST_F(Operations, AScramblerErrorEndsTheOperationWithTheKeyClosed) {
    Put("Owner", kRegSz, std::string("Owner\0", 6));
    control.Encryption(1);
    control.EncryptionKey(-12);
    control.ValueName(u"Owner");
    events.lines.clear();
    EXPECT_EQ(ErrorOf([&] { control.QueryValue(); }), ErrorNumber::InvalidProcedureCall);
    control.ValueSetting(u"Other");
    EXPECT_EQ(ErrorOf([&] { control.SetValue(); }), ErrorNumber::InvalidProcedureCall);
    EXPECT_TRUE(events.lines.empty());
    ExpectBalanced();
    EXPECT_EQ(Stored("Owner"), std::string("1:Owner\0", 8));
}

TEST_F(Operations, CreateKeyMakesEveryLevelAndReportsOnlyAfterClosing) {
    control.KeyName(u"Software\\VantrelTest\\One\\Two\\Three");
    control.CreateKey();
    EXPECT_TRUE(events.lines.empty());
    EXPECT_EQ(registry.calls[0].name, "Software\\VantrelTest\\One\\Two\\Three");
    EXPECT_TRUE(KeyExists("Software\\VantrelTest\\One\\Two\\Three"));
    control.SubKey(u"Four");
    control.CreateKey();
    EXPECT_EQ(registry.calls[2].name, "Software\\VantrelTest\\One\\Two\\Three\\Four");
    EXPECT_TRUE(KeyExists("Software\\VantrelTest\\One\\Two\\Three\\Four"));

    // An existing key counts as success and keeps its values.
    control.KeyName(u"Software");
    control.SubKey(u"VantrelTest");
    control.CreateKey();
    EXPECT_TRUE(events.lines.empty());
    EXPECT_EQ(Stored("Seed"), std::string("1:\0", 3));

    std::size_t callsAtEvent = 0;
    control.Error.Handle(
        [&](std::int16_t&, std::u16string&) { callsAtEvent = registry.calls.size(); });
    control.KeyName(u"\\Leading");
    registry.calls.clear();
    control.CreateKey();
    EXPECT_EQ(registry.Functions(), (Lines{"RegCreateKeyExA", "RegCloseKey"}));
    // Windows 9x takes a path that starts with a backslash; NT and the store refuse it.
    EXPECT_EQ(callsAtEvent, testing_support::TestRegistry::IsWindows9x() ? 0u : 2u);
    // There it made "Leading\\VantrelTest", outside the keys tests may leave; a 9x delete
    // takes the tree.
    if (testing_support::TestRegistry::IsWindows9x()) {
        test.Api().RegDeleteKeyA(RootKey(kHkeyLocalMachine), "Leading");
    }
}

TEST_F(Operations, CreateKeyFailureIsReported) {
    registry.Inject({"RegCreateKeyExA", std::nullopt, kErrorAccessDenied, 1});
    control.CreateKey();
    EXPECT_EQ(events.lines, Lines{"Error 1000 Unable To Create A New Key"});
}

TEST_F(Operations, DeleteKeyRemovesSubKeyBelowKeyName) {
    control.KeyName(u"Software\\VantrelTest\\Inner");
    control.CreateKey();
    control.KeyName(u"Software\\VantrelTest");
    control.SubKey(u"Inner");
    control.DeleteKey();
    EXPECT_TRUE(events.lines.empty());
    EXPECT_EQ(registry.calls[2].name, "Software\\VantrelTest");
    EXPECT_FALSE(KeyExists("Software\\VantrelTest\\Inner"));
    EXPECT_TRUE(KeyExists("Software\\VantrelTest"));
    ExpectBalanced();
}

TEST_F(Operations, DeleteKeyReportsWhatFailed) {
    control.SubKey(u"Missing");
    control.DeleteKey();
    EXPECT_EQ(events.lines, Lines{"Error 1001 Unable To Delete Key"});
    events.lines.clear();
    control.KeyName(u"Software\\VantrelTest\\Nowhere");
    control.DeleteKey();
    EXPECT_EQ(events.lines,
              (Lines{"Error 1000 Unable To Open Key", "Error 1001 Unable To Delete Key"}));
    events.lines.clear();
    control.KeyName(u"Software");
    control.SubKey(u"VantrelTest");
    control.CreateKey();
    control.KeyName(u"Software\\VantrelTest");
    control.SubKey(u"Child");
    control.CreateKey();
    control.KeyName(u"Software");
    control.SubKey(u"VantrelTest");
    control.DeleteKey();  // it has a subkey
    if (testing_support::TestRegistry::IsWindows9x()) {
        // Windows 9x deletes the key with its tree.
        EXPECT_TRUE(events.lines.empty());
        EXPECT_FALSE(KeyExists("Software\\VantrelTest"));
        return;
    }
    EXPECT_EQ(events.lines, Lines{"Error 1001 Unable To Delete Key"});
    EXPECT_TRUE(KeyExists("Software\\VantrelTest"));
}

TEST_F(Operations, DeleteValueRemovesTheValueOrReportsWhy) {
    Put("Gone", kRegSz, "x");
    control.ValueName(u"Gone");
    control.DeleteValue();
    EXPECT_TRUE(events.lines.empty());
    EXPECT_EQ(Stored("Gone"), "missing");
    control.DeleteValue();
    EXPECT_EQ(events.lines, Lines{"Error 1005 Unable To Delete Key Value"});
    events.lines.clear();
    control.KeyName(u"Software\\VantrelTest\\Nowhere");
    control.DeleteValue();
    EXPECT_EQ(events.lines,
              (Lines{"Error 1000 Unable To Open Key", "Error 1005 Unable To Delete Key Value"}));
    ExpectBalanced();
}
