// The registry store behaves like the real registry for the calls the program makes and
// their neighbours: names, paths, handles, values, deletion, roots and enumeration.
#include "platform/store/registry_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace platform;
using store::RegistryStore;

namespace {

const Hkey kMachine = RootKey(kHkeyLocalMachine);
const Hkey kUsers = RootKey(kHkeyUsers);
const Hkey kGarbage = static_cast<Hkey>(0xDEAD);

class Store : public ::testing::Test {
protected:
    RegistryStore registry{RegistryStore::kInMemory};

    Hkey Create(Hkey root, const char16_t* path, Dword* disposition = nullptr) {
        Hkey key = kGarbage;
        EXPECT_EQ(registry.RegCreateKeyExW(root, path, 0, nullptr, 0, kKeyAllAccess, nullptr, &key,
                                           disposition),
                  kErrorSuccess);
        return key;
    }
    Long Open(Hkey root, const char16_t* path, Hkey* key) {
        *key = kGarbage;
        return registry.RegOpenKeyExW(root, path, 0, kKeyAllAccess, key);
    }
    Long SetString(Hkey key, const char16_t* name, const std::u16string& text) {
        return registry.RegSetValueExW(key, name, 0, kRegSz,
                                       reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                       static_cast<Dword>((text.size() + 1) * 2));
    }
    Long SetBytes(Hkey key, const char* name, Dword type, const std::string& bytes) {
        return registry.RegSetValueExA(key, name, 0, type,
                                       reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                       static_cast<Dword>(bytes.size()));
    }
    std::u16string SubKeyName(Hkey key, Dword index) {
        char16_t name[300];
        Dword length = 300;
        EXPECT_EQ(registry.RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr,
                                         nullptr),
                  kErrorSuccess);
        return std::u16string(name, length);
    }
};

}  // namespace

TEST_F(Store, NamesMatchWithoutRegardToCaseInAnyScriptAndKeepTheirSpelling) {
    const Hkey key = Create(kMachine, u"Software\\\u00C4rger \u03A3\u0416");
    Hkey again;
    ASSERT_EQ(Open(kMachine, u"SOFTWARE\\\u00E4RGER \u03C3\u0436", &again), kErrorSuccess);
    EXPECT_EQ(SetString(key, u"Stra\u00DFe \u00C9t\u00E9", u"one"), kErrorSuccess);
    Dword type = 0, size = 0;
    EXPECT_EQ(registry.RegQueryValueExW(again, u"STRA\u00DFE \u00E9T\u00C9", nullptr, &type,
                                        nullptr, &size),
              kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    Hkey software;
    ASSERT_EQ(Open(kMachine, u"software", &software), kErrorSuccess);
    bool found = false;
    for (Dword i = 0; i < 4 && !found; ++i) found = SubKeyName(software, i) == u"\u00C4rger \u03A3\u0416";
    EXPECT_TRUE(found);
}

TEST_F(Store, NameLengthsHaveTheRegistryLimits) {
    const std::u16string longest(255, u'k');
    Create(kMachine, (u"Software\\" + longest).c_str());
    Hkey key = kGarbage;
    EXPECT_EQ(registry.RegCreateKeyExW(kMachine, (u"Software\\" + longest + u"k").c_str(), 0,
                                       nullptr, 0, kKeyAllAccess, nullptr, &key, nullptr),
              kErrorInvalidParameter);
    EXPECT_EQ(key, kNullKey);
    const Hkey software = Create(kMachine, u"Software");
    EXPECT_EQ(SetString(software, std::u16string(16383, u'v').c_str(), u"x"), kErrorSuccess);
    EXPECT_EQ(SetString(software, std::u16string(16384, u'v').c_str(), u"x"),
              kErrorInvalidParameter);
}

TEST_F(Store, PathsIgnoreTrailingAndRepeatedBackslashesButRefuseALeadingOne) {
    Create(kMachine, u"A\\B\\C");
    Hkey key;
    EXPECT_EQ(Open(kMachine, u"A\\\\B\\\\\\C\\\\", &key), kErrorSuccess);
    EXPECT_EQ(Open(kMachine, u"\\A\\B", &key), kErrorBadPathname);
    EXPECT_EQ(key, kNullKey);
    Hkey created = kGarbage;
    EXPECT_EQ(registry.RegCreateKeyExW(kMachine, u"\\X", 0, nullptr, 0, kKeyAllAccess, nullptr,
                                       &created, nullptr),
              kErrorBadPathname);
}

TEST_F(Store, AnEmptyPathOpensARootAsItselfAndAKeyAsANewHandle) {
    Hkey key;
    EXPECT_EQ(Open(kMachine, u"", &key), kErrorSuccess);
    EXPECT_EQ(key, kMachine);
    EXPECT_EQ(Open(kMachine, nullptr, &key), kErrorSuccess);
    EXPECT_EQ(key, kMachine);
    const Hkey software = Create(kMachine, u"Software");
    Hkey second, third;
    EXPECT_EQ(Open(software, u"", &second), kErrorSuccess);
    EXPECT_EQ(Open(kMachine, u"Software", &third), kErrorSuccess);
    EXPECT_NE(second, software);
    EXPECT_NE(second, third);
    EXPECT_EQ(registry.RegCloseKey(second), kErrorSuccess);
    EXPECT_EQ(registry.RegCloseKey(kMachine), kErrorSuccess);
    EXPECT_EQ(Open(kMachine, u"Software", &key), kErrorSuccess);  // the root is still open
}

TEST_F(Store, NullAndClosedHandlesAreInvalidEverywhere) {
    const Hkey closed = Create(kMachine, u"Software");
    ASSERT_EQ(registry.RegCloseKey(closed), kErrorSuccess);
    for (const Hkey bad : {kNullKey, closed, RootKey(kHkeyPerformanceData), RootKey(0x80000007)}) {
        Hkey out;
        Dword size = 0;
        EXPECT_EQ(Open(bad, u"x", &out), kErrorInvalidHandle);
        EXPECT_EQ(out, kNullKey);
        EXPECT_EQ(registry.RegCreateKeyExA(bad, "x", 0, nullptr, 0, kKeyAllAccess, nullptr, &out,
                                           nullptr),
                  kErrorInvalidHandle);
        EXPECT_EQ(registry.RegQueryValueExA(bad, "x", nullptr, nullptr, nullptr, &size),
                  kErrorInvalidHandle);
        EXPECT_EQ(SetBytes(bad, "x", kRegSz, "a"), kErrorInvalidHandle);
        EXPECT_EQ(registry.RegDeleteKeyA(bad, "x"), kErrorInvalidHandle);
        EXPECT_EQ(registry.RegDeleteValueA(bad, "x"), kErrorInvalidHandle);
        if (bad != RootKey(kHkeyPerformanceData)) {
            EXPECT_EQ(registry.RegCloseKey(bad), kErrorInvalidHandle);
        }
    }
}

TEST_F(Store, AHandleToADeletedKeyReportsKeyDeleted) {
    const Hkey doomed = Create(kMachine, u"Software\\Doomed");
    ASSERT_EQ(registry.RegDeleteKeyA(kMachine, "Software\\Doomed"), kErrorSuccess);
    Dword size = 0;
    Hkey out;
    EXPECT_EQ(registry.RegQueryValueExA(doomed, "", nullptr, nullptr, nullptr, &size),
              kErrorKeyDeleted);
    EXPECT_EQ(SetBytes(doomed, "v", kRegSz, "a"), kErrorKeyDeleted);
    EXPECT_EQ(Open(doomed, u"", &out), kErrorKeyDeleted);
    EXPECT_EQ(Open(doomed, u"child", &out), kErrorKeyDeleted);
    EXPECT_EQ(registry.RegCreateKeyExA(doomed, "child", 0, nullptr, 0, kKeyAllAccess, nullptr,
                                       &out, nullptr),
              kErrorKeyDeleted);
    EXPECT_EQ(registry.RegDeleteValueA(doomed, "v"), kErrorKeyDeleted);
    // A key made again under the same name is another key.
    Create(kMachine, u"Software\\Doomed");
    EXPECT_EQ(SetBytes(doomed, "v", kRegSz, "a"), kErrorKeyDeleted);
    EXPECT_EQ(registry.RegCloseKey(doomed), kErrorSuccess);
}

TEST_F(Store, OpeningAMissingKeyGivesNotFoundAndANullHandle) {
    Hkey key;
    EXPECT_EQ(Open(kMachine, u"Software\\Missing\\Deeper", &key), kErrorFileNotFound);
    EXPECT_EQ(key, kNullKey);
}

TEST_F(Store, CreatingMakesEveryMissingKeyAndReportsTheDisposition) {
    Dword disposition = 0;
    Create(kMachine, u"One\\Two\\Three", &disposition);
    EXPECT_EQ(disposition, kRegCreatedNewKey);
    Hkey key;
    EXPECT_EQ(Open(kMachine, u"One\\Two", &key), kErrorSuccess);
    Create(kMachine, u"ONE\\two\\Three", &disposition);
    EXPECT_EQ(disposition, kRegOpenedExistingKey);
}

TEST_F(Store, QueryWithoutBufferGivesTypeAndSizeAndMissingValuesGiveZero) {
    const Hkey key = Create(kMachine, u"Software\\Q");
    ASSERT_EQ(SetBytes(key, "Text", kRegSz, std::string("abc\0", 4)), kErrorSuccess);
    Dword type = 99, size = 99;
    EXPECT_EQ(registry.RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, 4u);
    type = 99, size = 99;
    EXPECT_EQ(registry.RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, &size),
              kErrorFileNotFound);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(size, 0u);
}

TEST_F(Store, ABufferTooSmallGetsMoreDataTheNeededSizeAndIsLeftUntouched) {
    const Hkey key = Create(kMachine, u"Software\\Q");
    ASSERT_EQ(SetBytes(key, "Text", kRegSz, std::string("hello\0", 6)), kErrorSuccess);
    ASSERT_EQ(SetBytes(key, "Long", kRegDword, std::string("\1\2\3\4\5\6\7\x8", 8)), kErrorSuccess);
    for (const char* name : {"Text", "Long"}) {
        std::uint8_t buffer[5];
        std::memset(buffer, 0xAA, sizeof buffer);
        Dword size = 4;
        EXPECT_EQ(registry.RegQueryValueExA(key, name, nullptr, nullptr, buffer, &size),
                  kErrorMoreData);
        EXPECT_EQ(size, std::string(name) == "Text" ? 6u : 8u);
        for (const std::uint8_t b : buffer) EXPECT_EQ(b, 0xAA);
    }
}

TEST_F(Store, AStringWithoutItsNulReadsWithItsStoredSizeAndANulWhereThereIsRoom) {
    const Hkey key = Create(kMachine, u"Software\\Q");
    ASSERT_EQ(SetBytes(key, "Bare", kRegSz, "abc"), kErrorSuccess);
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    Dword size = sizeof buffer;
    ASSERT_EQ(registry.RegQueryValueExA(key, "Bare", nullptr, nullptr,
                                        reinterpret_cast<std::uint8_t*>(buffer), &size),
              kErrorSuccess);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(std::string(buffer, 5), std::string("abc\0x", 5));
    // An exact fit gets no NUL.
    std::memset(buffer, 'x', sizeof buffer);
    size = 3;
    ASSERT_EQ(registry.RegQueryValueExA(key, "Bare", nullptr, nullptr,
                                        reinterpret_cast<std::uint8_t*>(buffer), &size),
              kErrorSuccess);
    EXPECT_EQ(std::string(buffer, 4), "abcx");
}

TEST_F(Store, TheValueNamedEmptyIsTheDefaultValue) {
    const Hkey key = Create(kMachine, u"Software\\Q");
    ASSERT_EQ(SetBytes(key, nullptr, kRegSz, std::string("d\0", 2)), kErrorSuccess);
    Dword size = 0;
    EXPECT_EQ(registry.RegQueryValueExA(key, "", nullptr, nullptr, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(registry.RegDeleteValueA(key, ""), kErrorSuccess);
    EXPECT_EQ(registry.RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, &size),
              kErrorFileNotFound);
}

TEST_F(Store, SetStoresExactBytesAndReplacesAValueOfAnotherType) {
    const Hkey key = Create(kMachine, u"Software\\Q");
    const std::string binary("\0\1\xFF\0", 4);
    ASSERT_EQ(SetBytes(key, "V", kRegDword, std::string("\7\0\0\0", 4)), kErrorSuccess);
    ASSERT_EQ(SetBytes(key, "v", kRegBinary, binary), kErrorSuccess);
    std::uint8_t buffer[16];
    Dword type = 0, size = sizeof buffer;
    ASSERT_EQ(registry.RegQueryValueExA(key, "V", nullptr, &type, buffer, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegBinary);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), size), binary);
    EXPECT_EQ(registry.RegSetValueExA(key, "N", 0, kRegBinary, nullptr, 4), kErrorNoAccess);
}

TEST_F(Store, StringsCrossTheCodePageBothWays) {
    const Hkey key = Create(kMachine, u"Software\\Q");
    ASSERT_EQ(SetBytes(key, "Caf\xE9", kRegSz, std::string("\x80 \xE9\0", 4)), kErrorSuccess);
    char16_t wide[8] = {};
    Dword size = sizeof wide;
    ASSERT_EQ(registry.RegQueryValueExW(key, u"caf\u00C9", nullptr, nullptr,
                                        reinterpret_cast<std::uint8_t*>(wide), &size),
              kErrorSuccess);
    EXPECT_EQ(std::u16string(wide, size / 2), std::u16string(u"\u20AC \u00E9\0", 4));
    ASSERT_EQ(SetString(key, u"W", u"\u4E2D!"), kErrorSuccess);
    char narrow[8] = {};
    size = sizeof narrow;
    ASSERT_EQ(registry.RegQueryValueExA(key, "W", nullptr, nullptr,
                                        reinterpret_cast<std::uint8_t*>(narrow), &size),
              kErrorSuccess);
    EXPECT_EQ(std::string(narrow, size), std::string("?!\0", 3));
}

TEST_F(Store, DeletingKeysFollowsTheRegistryRules) {
    Create(kMachine, u"Software\\P\\C\\G");
    EXPECT_EQ(registry.RegDeleteKeyA(kMachine, "Software\\P\\C"), kErrorAccessDenied);
    EXPECT_EQ(registry.RegDeleteKeyA(kMachine, "Software\\P\\Missing"), kErrorFileNotFound);
    EXPECT_EQ(registry.RegDeleteKeyA(kMachine, "Software\\p\\c\\g"), kErrorSuccess);
    Hkey key;
    EXPECT_EQ(Open(kMachine, u"Software\\P\\C", &key), kErrorSuccess);  // only the leaf went
    EXPECT_EQ(registry.RegDeleteKeyA(key, ""), kErrorSuccess);  // "" is the open key itself
    EXPECT_EQ(Open(kMachine, u"Software\\P\\C", &key), kErrorFileNotFound);
    EXPECT_EQ(Open(kMachine, u"Software\\P", &key), kErrorSuccess);
    EXPECT_EQ(registry.RegDeleteValueA(key, "none"), kErrorFileNotFound);
}

TEST_F(Store, TheKeysBehindPredefinedRootsCannotBeDeleted) {
    const Hkey classes = RootKey(kHkeyClassesRoot);
    EXPECT_EQ(registry.RegDeleteKeyA(classes, ""), kErrorAccessDenied);
    EXPECT_EQ(registry.RegDeleteKeyA(kMachine, "Software\\Classes"), kErrorAccessDenied);
    EXPECT_EQ(registry.RegDeleteKeyA(RootKey(kHkeyDynData), ""), kErrorAccessDenied);
}

TEST_F(Store, RootsStandForTheirKeysInTheTwoStoredHives) {
    const Hkey classes = Create(RootKey(kHkeyClassesRoot), u".txt");
    ASSERT_EQ(SetString(classes, u"", u"txtfile"), kErrorSuccess);
    Hkey key;
    EXPECT_EQ(Open(kMachine, u"Software\\Classes\\.TXT", &key), kErrorSuccess);
    Create(RootKey(kHkeyCurrentUser), u"Mine");
    EXPECT_EQ(Open(kUsers, u".Default\\Mine", &key), kErrorSuccess);
    Create(RootKey(kHkeyCurrentConfig), u"Display");
    EXPECT_EQ(Open(kMachine, u"System\\CurrentControlSet\\Hardware Profiles\\Current\\Display",
                   &key),
              kErrorSuccess);
    Create(RootKey(kHkeyDynData), u"PerfStats");
    EXPECT_EQ(Open(RootKey(kHkeyDynData), u"perfstats", &key), kErrorSuccess);
    EXPECT_EQ(Open(kMachine, u"PerfStats", &key), kErrorFileNotFound);
}

TEST_F(Store, ANewStoreHoldsTheKeysOfANewInstallation) {
    Hkey key;
    ASSERT_EQ(Open(kMachine, u"Software\\Microsoft\\Windows\\CurrentVersion", &key), kErrorSuccess);
    for (const char* name : {"RegisteredOrganization", "ProductId", "ProductKey"}) {
        Dword type = 0, size = 99;
        EXPECT_EQ(registry.RegQueryValueExA(key, name, nullptr, &type, nullptr, &size),
                  kErrorSuccess);
        EXPECT_EQ(type, kRegSz);
        EXPECT_EQ(size, 1u) << name;  // the empty string with its NUL
    }
    Dword ownerSize = 0;
    EXPECT_EQ(registry.RegQueryValueExA(key, "RegisteredOwner", nullptr, nullptr, nullptr,
                                        &ownerSize),
              kErrorSuccess);
    Hkey setup;
    ASSERT_EQ(Open(RootKey(kHkeyCurrentUser), u"Software\\Microsoft\\MS Setup (ACME)\\User Info",
                   &setup),
              kErrorSuccess);
    Dword nameSize = 0;
    EXPECT_EQ(registry.RegQueryValueExA(setup, "DefName", nullptr, nullptr, nullptr, &nameSize),
              kErrorSuccess);
    EXPECT_EQ(nameSize, ownerSize);
    EXPECT_EQ(registry.RegQueryValueExA(setup, "DefCompany", nullptr, nullptr, nullptr, &nameSize),
              kErrorSuccess);
}

TEST_F(Store, EnumerationListsSubkeysByNameAndValuesInTheirOrder) {
    const Hkey key = Create(kMachine, u"Software\\E");
    Create(key, u"beta");
    Create(key, u"Alpha");
    Create(key, u"gamma");
    EXPECT_EQ(SubKeyName(key, 0), u"Alpha");
    EXPECT_EQ(SubKeyName(key, 1), u"beta");
    EXPECT_EQ(SubKeyName(key, 2), u"gamma");
    char16_t name[8];
    Dword length = 8;
    EXPECT_EQ(registry.RegEnumKeyExW(key, 3, name, &length, nullptr, nullptr, nullptr, nullptr),
              kErrorNoMoreItems);
    length = 5;
    EXPECT_EQ(registry.RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              kErrorMoreData);

    SetString(key, u"Zed", u"1");
    SetString(key, u"Ann", u"22");
    SetString(key, u"zed", u"333");  // an overwrite keeps its place and first spelling
    std::vector<std::u16string> names;
    for (Dword i = 0;; ++i) {
        char16_t valueName[16];
        Dword valueLength = 16, type = 0, size = 0;
        const Long status = registry.RegEnumValueW(key, i, valueName, &valueLength, nullptr,
                                                   &type, nullptr, &size);
        if (status == kErrorNoMoreItems) break;
        ASSERT_EQ(status, kErrorSuccess);
        names.emplace_back(valueName, valueLength);
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Zed", u"Ann"}));

    Dword subKeys = 0, maxSubKey = 0, values = 0, maxName = 0, maxSize = 0;
    ASSERT_EQ(registry.RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey,
                                        nullptr, &values, &maxName, &maxSize, nullptr, nullptr),
              kErrorSuccess);
    EXPECT_EQ(subKeys, 3u);
    EXPECT_EQ(maxSubKey, 5u);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(maxName, 3u);
    EXPECT_EQ(maxSize, 8u);
}
