// The control's registry properties, selectors and scrambling settings: what they store,
// what they refuse, and what they tell the host.
#include <gtest/gtest.h>

#include "error_of.h"
#include "failing_registry.h"
#include "native_platform.h"
#include "recording_registry.h"
#include "recording_site.h"
#include "regctl/tav_registry.h"

using regctl::ErrorNumber;
using regctl::TavRegistry;
using regctl::Variant;
using testing_support::ErrorOf;

namespace {

class TavRegistryProperties : public ::testing::Test {
protected:
    testing_support::FailingRegistry inner;
    testing_support::RecordingRegistry registry{inner};
    testing_support::RecordingSite site;
    TavRegistry control{platform::Platform{registry, testing_support::NativeSystem()}, site};

    void TearDown() override { EXPECT_TRUE(registry.calls.empty()) << "a registry call was made"; }
};

using Names = std::vector<std::string>;

}  // namespace

TEST_F(TavRegistryProperties, AFreshInstanceAddressesClassesRootWithStrings) {
    EXPECT_EQ(control.RegistryKey(), 0);
    EXPECT_EQ(control.GetHkey(), 0x80000000u);
    EXPECT_EQ(control.ValueType(), 0);
    EXPECT_EQ(control.GetVtype(), 1u);
    EXPECT_EQ(control.KeyName(), u"");
    EXPECT_EQ(control.SubKey(), u"");
    EXPECT_EQ(control.ValueName(), u"");
    EXPECT_TRUE(control.ValueSetting().IsEmpty());
    EXPECT_EQ(control.Encryption(), 0);
    EXPECT_EQ(control.EncryptionKey(), 0);
    EXPECT_TRUE(site.changed.empty());
}

TEST_F(TavRegistryProperties, RootSelectorsMapToTheirRootKeysSkippingPerformanceData) {
    const std::uint32_t expected[] = {0x80000000, 0x80000001, 0x80000002,
                                      0x80000003, 0x80000005, 0x80000006};
    for (std::int32_t selector = 0; selector < 6; ++selector) {
        control.RegistryKey(selector);
        EXPECT_EQ(control.RegistryKey(), selector);
        EXPECT_EQ(control.GetHkey(), expected[selector]);
    }
    EXPECT_EQ(site.changed, Names(6, "RegistryKey"));
}

TEST_F(TavRegistryProperties, RootSelectorOutsideRangeIsRefusedWithoutNotice) {
    control.RegistryKey(2);
    site.changed.clear();
    for (std::int32_t bad : {6, -1, 65538}) {
        EXPECT_EQ(ErrorOf([&] { control.RegistryKey(bad); }), ErrorNumber::InvalidPropertyValue);
    }
    EXPECT_EQ(control.RegistryKey(), 2);
    EXPECT_TRUE(site.changed.empty());
}

TEST_F(TavRegistryProperties, PathAndNamePropertiesStoreExactlyWhatTheyAreGiven) {
    control.KeyName(u"  Software\\Odd  ");
    control.SubKey(u"");
    control.ValueName(std::u16string(u"a\0b", 3));
    EXPECT_EQ(control.KeyName(), u"  Software\\Odd  ");
    EXPECT_EQ(control.SubKey(), u"");
    EXPECT_EQ(control.ValueName(), std::u16string(u"a\0b", 3));
    EXPECT_EQ(site.changed, (Names{"KeyName", "SubKey", "ValueName"}));
}

TEST_F(TavRegistryProperties, ValueTypeAcceptsOnlyStringAndInteger) {
    control.ValueType(1);
    EXPECT_EQ(control.GetVtype(), 4u);
    EXPECT_EQ(ErrorOf([&] { control.ValueType(2); }), ErrorNumber::InvalidPropertyValue);
    EXPECT_EQ(ErrorOf([&] { control.ValueType(-1); }), ErrorNumber::InvalidPropertyValue);
    EXPECT_EQ(control.ValueType(), 1);
    EXPECT_EQ(site.changed, Names{"ValueType"});
}

TEST_F(TavRegistryProperties, ValueSettingTakesAnythingWhileTheTypeIsString) {
    for (const Variant& value : {Variant(u"text"), Variant(4294967296.0), Variant(u"abc"),
                                 Variant(std::int32_t{7}), Variant()}) {
        control.ValueSetting(value);
        EXPECT_EQ(control.ValueSetting(), value);
    }
    EXPECT_EQ(site.changed, Names(5, "ValueSetting"));
}

TEST_F(TavRegistryProperties, ValueSettingChecksTheRangeWhileTheTypeIsInteger) {
    control.ValueType(1);
    site.changed.clear();
    control.ValueSetting(std::int32_t{-2147483647 - 1});
    control.ValueSetting(u" 12 ");
    EXPECT_EQ(control.ValueSetting(), Variant(u" 12 "));  // stored as given, still a string
    control.ValueSetting(2.5);
    EXPECT_EQ(control.ValueSetting(), Variant(2.5));
    control.ValueSetting(2147483647.0);
    control.ValueSetting(Variant());
    EXPECT_EQ(site.changed, Names(5, "ValueSetting"));

    control.ValueSetting(u"12");
    site.changed.clear();
    EXPECT_EQ(ErrorOf([&] { control.ValueSetting(2147483648.0); }),
              ErrorNumber::InvalidPropertyValue);
    EXPECT_EQ(ErrorOf([&] { control.ValueSetting(2147483647.4); }),
              ErrorNumber::InvalidPropertyValue);
    EXPECT_EQ(ErrorOf([&] { control.ValueSetting(u"-2147483649"); }),
              ErrorNumber::InvalidPropertyValue);
    EXPECT_EQ(ErrorOf([&] { control.ValueSetting(u"letters"); }), ErrorNumber::TypeMismatch);
    EXPECT_EQ(ErrorOf([&] { control.ValueSetting(u""); }), ErrorNumber::TypeMismatch);
    EXPECT_EQ(control.ValueSetting(), Variant(u"12"));
    EXPECT_TRUE(site.changed.empty());
}

TEST_F(TavRegistryProperties, EncryptionIsNarrowedTo16BitsOrOverflows) {
    control.Encryption(-32768);
    control.Encryption(32767);
    EXPECT_EQ(control.Encryption(), 32767);
    EXPECT_EQ(ErrorOf([&] { control.Encryption(40000); }), ErrorNumber::Overflow);
    EXPECT_EQ(ErrorOf([&] { control.Encryption(-32769); }), ErrorNumber::Overflow);
    EXPECT_EQ(control.Encryption(), 32767);
    control.EncryptionKey(-2147483647 - 1);
    EXPECT_EQ(control.EncryptionKey(), -2147483647 - 1);
    EXPECT_EQ(site.changed, (Names{"Encryption", "Encryption", "EncryptionKey"}));
}

TEST_F(TavRegistryProperties, KeepsItsFixedSizeWhateverTheHostAsks) {
    EXPECT_EQ(control.Width(), 270);
    EXPECT_EQ(control.Height(), 255);
    control.Resize(5000, 10);
    EXPECT_EQ(control.Width(), 270);
    EXPECT_EQ(control.Height(), 255);
    control.ShowAboutBox();
    EXPECT_TRUE(site.changed.empty());
}
