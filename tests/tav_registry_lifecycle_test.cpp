// Loading and saving a placed control's settings.
#include <gtest/gtest.h>

#include "error_of.h"
#include "failing_registry.h"
#include "native_platform.h"
#include "recording_registry.h"
#include "recording_site.h"
#include "recording_system.h"
#include "regctl/memory_property_bag.h"
#include "regctl/tav_registry.h"

using regctl::ErrorNumber;
using regctl::MemoryPropertyBag;
using regctl::TavRegistry;
using regctl::Variant;
using testing_support::ErrorOf;

namespace {

class SavedSettings : public ::testing::Test {
protected:
    testing_support::FailingRegistry inner;
    testing_support::RecordingRegistry registry{inner};
    testing_support::RecordingSystem system{testing_support::NativeSystem()};
    testing_support::RecordingSite site;
    TavRegistry control{platform::Platform{registry, system}, site};
    bool eventRaised = false;

    void SetUp() override {
        control.RegKey.Handle([this](Variant&, bool&) { eventRaised = true; });
        control.Error.Handle([this](std::int16_t&, std::u16string&) { eventRaised = true; });
    }

    // Loading never notifies, raises an event or touches the registry.
    void TearDown() override {
        EXPECT_TRUE(site.changed.empty());
        EXPECT_FALSE(eventRaised);
        EXPECT_TRUE(registry.calls.empty());
        EXPECT_TRUE(system.calls.empty());
    }

    MemoryPropertyBag Saved() const {
        MemoryPropertyBag bag;
        control.UserControl_WriteProperties(bag);
        return bag;
    }
};

std::vector<std::string> NamesOf(const MemoryPropertyBag& bag) {
    std::vector<std::string> names;
    for (const auto& entry : bag.Entries()) names.push_back(entry.first);
    return names;
}

}  // namespace

TEST_F(SavedSettings, LowerCaseNamesOfAWindowDefinitionAreFound) {
    MemoryPropertyBag bag{{"registrykey", std::int16_t{2}},
                          {"keyname", u"software\\microsoft\\windows\\currentversion"},
                          {"volumelabel", u"(No Volume Name!)"},
                          {"serialnumber", u"0-0"},
                          {"_extentx", std::int32_t{476}}};
    control.UserControl_ReadProperties(bag);
    EXPECT_EQ(control.RegistryKey(), 2);
    EXPECT_EQ(control.GetHkey(), 0x80000002u);
    EXPECT_EQ(control.KeyName(), u"software\\microsoft\\windows\\currentversion");
    EXPECT_EQ(control.SubKey(), u"");
    EXPECT_EQ(control.ValueName(), u"");
    EXPECT_TRUE(control.ValueSetting().IsEmpty());
    EXPECT_EQ(control.ValueType(), 0);
    EXPECT_EQ(control.Encryption(), 0);
    EXPECT_EQ(control.EncryptionKey(), 0);
    // The label and serial text travel through a load and a save unchanged.
    EXPECT_EQ(NamesOf(Saved()),
              (std::vector<std::string>{"RegistryKey", "KeyName", "VolumeLabel", "SerialNumber"}));
    EXPECT_EQ(Saved().ReadProperty("serialnumber", Variant()), Variant(u"0-0"));
}

TEST_F(SavedSettings, AllDefaultsSaveNothing) { EXPECT_TRUE(Saved().Entries().empty()); }

TEST_F(SavedSettings, EveryEntryIsSavedInOrderWithItsOwnKind) {
    MemoryPropertyBag bag{{"ValueSetting", u"42"},
                          {"EncryptionKey", std::int32_t{-5}},
                          {"Drive", u"/"},
                          {"SerialNumber", u"1A2B-3C4D"},
                          {"VolumeLabel", u"DATA"},
                          {"Encryption", std::int16_t{1}},
                          {"ValueType", std::int32_t{1}},
                          {"ValueName", u"v"},
                          {"SubKey", u"s"},
                          {"KeyName", u"k"},
                          {"RegistryKey", std::int16_t{3}}};
    control.UserControl_ReadProperties(bag);
    MemoryPropertyBag saved = Saved();
    EXPECT_EQ(NamesOf(saved),
              (std::vector<std::string>{"RegistryKey", "KeyName", "SubKey", "ValueName",
                                        "ValueSetting", "ValueType", "Encryption", "VolumeLabel",
                                        "SerialNumber", "Drive", "EncryptionKey"}));
    for (const auto& [name, value] : bag.Entries()) {
        EXPECT_EQ(saved.ReadProperty(name, Variant()), value) << name;
    }
}

TEST_F(SavedSettings, AStringOfDigitsStaysAString) {
    MemoryPropertyBag bag{{"ValueSetting", u"42"}};
    control.UserControl_ReadProperties(bag);
    EXPECT_EQ(control.ValueSetting(), Variant(u"42"));
    TavRegistry reloaded{platform::Platform{registry, system}, site};
    MemoryPropertyBag saved = Saved();
    reloaded.UserControl_ReadProperties(saved);
    EXPECT_EQ(reloaded.ValueSetting(), Variant(u"42"));
}

TEST_F(SavedSettings, OnlyTheEmptyValueCountsAsTheDefaultOfValueSetting) {
    for (const Variant& value : {Variant(u""), Variant(std::int32_t{0}), Variant(0.0)}) {
        MemoryPropertyBag bag{{"ValueSetting", value}};
        control.UserControl_ReadProperties(bag);
        EXPECT_EQ(Saved().ReadProperty("ValueSetting", Variant(u"none")), value);
    }
}

TEST_F(SavedSettings, StoredValuesAreConvertedToTheMembersKinds) {
    MemoryPropertyBag bag{{"RegistryKey", u"2"},
                          {"KeyName", std::int32_t{12}},
                          {"ValueType", 0.5},
                          {"EncryptionKey", u"&HFFFFFFFF"}};
    control.UserControl_ReadProperties(bag);
    EXPECT_EQ(control.RegistryKey(), 2);
    EXPECT_EQ(control.KeyName(), u"12");
    EXPECT_EQ(control.ValueType(), 0);
    EXPECT_EQ(control.EncryptionKey(), -1);
}

TEST_F(SavedSettings, SelectorsOutOfRangeLoadAndFailOnlyWhenUsed) {
    MemoryPropertyBag bag{{"RegistryKey", std::int16_t{9}}, {"ValueType", std::int32_t{7}}};
    control.UserControl_ReadProperties(bag);
    EXPECT_EQ(control.RegistryKey(), 9);
    EXPECT_EQ(control.ValueType(), 7);
    EXPECT_EQ(ErrorOf([&] { control.GetHkey(); }), ErrorNumber::InvalidPropertyValue);
    EXPECT_EQ(ErrorOf([&] { control.GetVtype(); }), ErrorNumber::InvalidPropertyValue);
}

TEST_F(SavedSettings, ABadStoredValueStopsTheLoadWhereItStands) {
    MemoryPropertyBag before{{"Encryption", std::int16_t{1}}, {"EncryptionKey", std::int32_t{77}}};
    control.UserControl_ReadProperties(before);

    MemoryPropertyBag bad{{"RegistryKey", std::int16_t{1}}, {"KeyName", u"k"},
                          {"ValueSetting", u"v"},           {"ValueType", u"not a number"},
                          {"Encryption", std::int16_t{0}},  {"EncryptionKey", std::int32_t{0}}};
    EXPECT_EQ(ErrorOf([&] { control.UserControl_ReadProperties(bad); }), ErrorNumber::TypeMismatch);
    EXPECT_EQ(control.RegistryKey(), 1);
    EXPECT_EQ(control.KeyName(), u"k");
    EXPECT_EQ(control.ValueSetting(), Variant(u"v"));
    EXPECT_EQ(control.Encryption(), 1);  // after the failure: not read
    EXPECT_EQ(control.EncryptionKey(), 77);

    MemoryPropertyBag tooWide{{"RegistryKey", std::int32_t{40000}}, {"KeyName", u"other"}};
    EXPECT_EQ(ErrorOf([&] { control.UserControl_ReadProperties(tooWide); }), ErrorNumber::Overflow);
    EXPECT_EQ(control.KeyName(), u"k");
}
