// The registry functions as the real registry serves them. The same cases run against our
// store, against the same rules over trees in memory and, in the Windows build, against
// advapi32 under Wine; where they differ on purpose, the case says so and tests/README.md
// lists it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "code_page.h"
#include "test_registry.h"

using namespace platform;
using testing_support::kTestKey;
using testing_support::TestRegistry;

namespace {

const Hkey kMachine = RootKey(kHkeyLocalMachine);
const Hkey kGarbage = static_cast<Hkey>(0xDEAD0);

std::u16string Below(const std::u16string& path) { return std::u16string(kTestKey) + u"\\" + path; }
std::string Narrow(const std::u16string& ascii) { return std::string(ascii.begin(), ascii.end()); }

class Conformance : public ::testing::TestWithParam<testing_support::RegistryKind> {
protected:
    TestRegistry test{GetParam()};
    WideRegistryApi& registry = test.Api();
    std::vector<Hkey> opened;

    void TearDown() override {
        for (const Hkey key : opened) registry.RegCloseKey(key);
    }

    Hkey Create(Hkey root, const std::u16string& path, Dword* disposition = nullptr) {
        Hkey key = kGarbage;
        EXPECT_EQ(registry.RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, kKeyAllAccess,
                                           nullptr, &key, disposition),
                  kErrorSuccess)
            << Narrow(path);
        opened.push_back(key);
        return key;
    }
    Hkey CreateTest(const std::u16string& path = u"") {
        return Create(kMachine, path.empty() ? std::u16string(kTestKey) : Below(path));
    }
    Long Open(Hkey root, const std::u16string& path, Hkey* key) {
        *key = kGarbage;
        const Long status = registry.RegOpenKeyExW(root, path.c_str(), 0, kKeyAllAccess, key);
        if (status == kErrorSuccess) opened.push_back(*key);
        return status;
    }
    Long SetString(Hkey key, const std::u16string& name, const std::u16string& text) {
        return registry.RegSetValueExW(key, name.c_str(), 0, kRegSz,
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
        EXPECT_EQ(
            registry.RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr),
            kErrorSuccess);
        return std::u16string(name, length);
    }
};

}  // namespace

// Every registry this build has: the real one on Windows; our store and trees in memory
// elsewhere, both served by the same rules.
INSTANTIATE_TEST_SUITE_P(Registries, Conformance, ::testing::ValuesIn(TestRegistry::Kinds()),
                         [](const auto& info) { return TestRegistry::Name(info.param); });

TEST_P(Conformance, NamesMatchWithoutRegardToCaseInAnyScriptAndKeepTheirSpelling) {
    if (TestRegistry::IsWindows9x()) {
        // Windows 9x keeps names in the code page: Greek and Cyrillic have no place there,
        // and are refused rather than stored as question marks.
        Hkey refused = kGarbage;
        EXPECT_EQ(registry.RegCreateKeyExW(kMachine, Below(u"\u03A3\u0416").c_str(), 0, nullptr, 0,
                                           kKeyAllAccess, nullptr, &refused, nullptr),
                  kErrorNoUnicodeTranslation);
        EXPECT_EQ(refused, kNullKey);
        const Hkey key = CreateTest(u"\u00C4rger \u00D8re");
        Hkey again;
        ASSERT_EQ(Open(kMachine, Below(u"\u00C4RGER \u00D8RE"), &again), kErrorSuccess);
        EXPECT_EQ(SetString(key, u"Stra\u00DFe \u00C9t\u00E9", u"one"), kErrorSuccess);
        EXPECT_EQ(registry.RegQueryValueExW(again, u"STRA\u00DFE \u00C9T\u00C9", nullptr, nullptr,
                                            nullptr, nullptr),
                  kErrorSuccess);
        EXPECT_EQ(SubKeyName(CreateTest(), 0), u"\u00C4rger \u00D8re");
        return;
    }
    const Hkey key = CreateTest(u"\u00C4rger \u03A3\u0416");
    Hkey again;
    ASSERT_EQ(Open(kMachine, Below(u"\u00E4RGER \u03C3\u0436"), &again), kErrorSuccess);
    EXPECT_EQ(SetString(key, u"Stra\u00DFe \u00C9t\u00E9", u"one"), kErrorSuccess);
    Dword type = 0, size = 0;
    EXPECT_EQ(registry.RegQueryValueExW(again, u"STRA\u00DFE \u00E9T\u00C9", nullptr, &type,
                                        nullptr, &size),
              kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(SubKeyName(CreateTest(), 0), u"\u00C4rger \u03A3\u0416");
}

TEST_P(Conformance, AKeyNameOf255CharactersIsTaken) {
    const std::u16string longest(255, u'k');
    CreateTest(longest);
    Hkey key;
    EXPECT_EQ(Open(kMachine, Below(longest), &key), kErrorSuccess);
}

// Differs: Windows' documentation caps a key name at 255 characters and the store keeps to
// it; Wine takes one of 256 (and then fails to list it through its 8-bit functions).
TEST_P(Conformance, ALongerKeyNameIsRefusedByTheStore) {
    Hkey key = kGarbage;
    const Long status =
        registry.RegCreateKeyExW(kMachine, Below(std::u16string(256, u'k')).c_str(), 0, nullptr, 0,
                                 kKeyAllAccess, nullptr, &key, nullptr);
    // On Windows 9x our 8-bit path keeps to the documented limit too.
    if (TestRegistry::IsReal() && !TestRegistry::IsWindows9x()) {
        EXPECT_EQ(status, kErrorSuccess);
        registry.RegCloseKey(key);
    } else {
        EXPECT_EQ(status, kErrorInvalidParameter);
        EXPECT_EQ(key, kNullKey);
    }
}

TEST_P(Conformance, ValueNamesHaveTheirLimit) {
    const Hkey key = CreateTest();
    EXPECT_EQ(SetString(key, std::u16string(16383, u'v'), u"x"), kErrorSuccess);
    EXPECT_EQ(SetString(key, std::u16string(16384, u'v'), u"x"), kErrorInvalidParameter);
}

TEST_P(Conformance, PathsIgnoreTrailingAndRepeatedBackslashesButRefuseALeadingOne) {
    CreateTest(u"A\\B\\C");
    Hkey key;
    EXPECT_EQ(Open(kMachine, Below(u"A\\\\B\\\\\\C\\\\"), &key), kErrorSuccess);
    EXPECT_EQ(Open(kMachine, u"\\" + Below(u"A"), &key), kErrorBadPathname);
    EXPECT_EQ(key, kNullKey);
}

TEST_P(Conformance, AnEmptyPathOpensARootAsItselfAndAKeyAsANewHandle) {
    Hkey key;
    EXPECT_EQ(registry.RegOpenKeyExW(kMachine, u"", 0, kKeyAllAccess, &key), kErrorSuccess);
    EXPECT_EQ(key, kMachine);
    EXPECT_EQ(registry.RegOpenKeyExW(kMachine, nullptr, 0, kKeyAllAccess, &key), kErrorSuccess);
    EXPECT_EQ(key, kMachine);
    const Hkey test = CreateTest();
    Hkey second, third;
    EXPECT_EQ(Open(test, u"", &second), kErrorSuccess);
    EXPECT_EQ(Open(kMachine, kTestKey, &third), kErrorSuccess);
    EXPECT_NE(second, test);
    EXPECT_NE(second, third);
    EXPECT_EQ(registry.RegCloseKey(kMachine), kErrorSuccess);
    EXPECT_EQ(Open(kMachine, kTestKey, &key), kErrorSuccess);  // the root is still open
}

TEST_P(Conformance, NullAndClosedHandlesAreInvalidEverywhere) {
    Hkey closed = kNullKey;
    ASSERT_EQ(registry.RegCreateKeyExW(kMachine, kTestKey, 0, nullptr, 0, kKeyAllAccess, nullptr,
                                       &closed, nullptr),
              kErrorSuccess);
    ASSERT_EQ(registry.RegCloseKey(closed), kErrorSuccess);
    for (const Hkey bad : {kNullKey, closed, RootKey(0x80000007)}) {
        const bool predefinedRange = bad == RootKey(0x80000007);
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
        // Closing anything in the predefined range succeeds and closes nothing.
        EXPECT_EQ(registry.RegCloseKey(bad), predefinedRange ? kErrorSuccess : kErrorInvalidHandle);
    }
}

TEST_P(Conformance, AHandleToADeletedKeyReportsKeyDeleted) {
    CreateTest();
    const Hkey doomed = CreateTest(u"Doomed");
    ASSERT_EQ(registry.RegDeleteKeyW(kMachine, Below(u"Doomed").c_str()), kErrorSuccess);
    Dword size = 0;
    Hkey out;
    EXPECT_EQ(registry.RegQueryValueExA(doomed, "", nullptr, nullptr, nullptr, &size),
              kErrorKeyDeleted);
    EXPECT_EQ(SetBytes(doomed, "v", kRegSz, "a"), kErrorKeyDeleted);
    EXPECT_EQ(Open(doomed, u"child", &out), kErrorKeyDeleted);
    EXPECT_EQ(registry.RegCreateKeyExA(doomed, "child", 0, nullptr, 0, kKeyAllAccess, nullptr, &out,
                                       nullptr),
              kErrorKeyDeleted);
    EXPECT_EQ(registry.RegDeleteValueA(doomed, "v"), kErrorKeyDeleted);
    // A key made again under the same name is another key.
    CreateTest(u"Doomed");
    EXPECT_EQ(SetBytes(doomed, "v", kRegSz, "a"), kErrorKeyDeleted);
}

TEST_P(Conformance, OpeningAMissingKeyGivesNotFoundAndANullHandle) {
    Hkey key;
    EXPECT_EQ(Open(kMachine, Below(u"Missing\\Deeper"), &key), kErrorFileNotFound);
    EXPECT_EQ(key, kNullKey);
}

TEST_P(Conformance, CreatingMakesEveryMissingKeyAndReportsTheDisposition) {
    Dword disposition = 0;
    CreateTest(u"One\\Two\\Three");
    Create(kMachine, Below(u"One\\Two\\Four"), &disposition);
    EXPECT_EQ(disposition, kRegCreatedNewKey);
    Hkey key;
    EXPECT_EQ(Open(kMachine, Below(u"One\\Two"), &key), kErrorSuccess);
    Create(kMachine, Below(u"ONE\\two\\Three"), &disposition);
    EXPECT_EQ(disposition, kRegOpenedExistingKey);
}

TEST_P(Conformance, QueryWithoutBufferGivesTypeAndSize) {
    const Hkey key = CreateTest();
    ASSERT_EQ(SetBytes(key, "Text", kRegSz, std::string("abc\0", 4)), kErrorSuccess);
    Dword type = 99, size = 99;
    EXPECT_EQ(registry.RegQueryValueExA(key, "Text", nullptr, &type, nullptr, &size),
              kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(registry.RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, &size),
              kErrorFileNotFound);
}

TEST_P(Conformance, ABufferTooSmallGetsMoreDataTheNeededSizeAndIsLeftUntouched) {
    const Hkey key = CreateTest();
    ASSERT_EQ(SetBytes(key, "Text", kRegSz, std::string("hello\0", 6)), kErrorSuccess);
    ASSERT_EQ(SetBytes(key, "Long", kRegDword, std::string("\1\2\3\4\5\6\7\x8", 8)), kErrorSuccess);
    for (const char* name : {"Text", "Long"}) {
        std::uint8_t buffer[5];
        std::memset(buffer, 0xAA, sizeof buffer);
        Dword size = 4;
        EXPECT_EQ(registry.RegQueryValueExA(key, name, nullptr, nullptr, buffer, &size),
                  kErrorMoreData);
        EXPECT_EQ(size, std::string(name) == "Text" ? 6u : 8u);
        for (const std::uint8_t b : buffer) EXPECT_EQ(b, 0xAA) << name;
    }
}

TEST_P(Conformance, AStringWithoutItsNulReadsWithItsStoredSizeAndANulWhereThereIsRoom) {
    const Hkey key = CreateTest();
    // Three bytes of a longer buffer, so that the byte after the data is not a NUL.
    const char data[] = "abcx";
    ASSERT_EQ(registry.RegSetValueExA(key, "Bare", 0, kRegSz,
                                      reinterpret_cast<const std::uint8_t*>(data), 3),
              kErrorSuccess);
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    Dword size = sizeof buffer;
    ASSERT_EQ(registry.RegQueryValueExA(key, "Bare", nullptr, nullptr,
                                        reinterpret_cast<std::uint8_t*>(buffer), &size),
              kErrorSuccess);
    if (TestRegistry::IsWindows9x()) {
        // Windows 9x stores a string up to its first NUL, whatever size it is given.
        EXPECT_EQ(size, 5u);
        EXPECT_EQ(std::string(buffer, 6), std::string("abcx\0x", 6));
        return;
    }
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(std::string(buffer, 5), std::string("abc\0x", 5));
}

// A string stored without its NUL that fills the buffer exactly has no room for one.
TEST_P(Conformance, AnUnterminatedStringThatFillsTheBufferExactly) {
    const Hkey key = CreateTest();
    const char data[] = "abcx";
    ASSERT_EQ(registry.RegSetValueExA(key, "Bare", 0, kRegSz,
                                      reinterpret_cast<const std::uint8_t*>(data), 3),
              kErrorSuccess);
    char buffer[4] = {'x', 'x', 'x', 'x'};
    Dword size = 3;
    if (TestRegistry::IsWindows9x()) {
        // Stored whole, "abcx" and its NUL do not fit three bytes.
        EXPECT_EQ(registry.RegQueryValueExA(key, "Bare", nullptr, nullptr,
                                            reinterpret_cast<std::uint8_t*>(buffer), &size),
                  kErrorMoreData);
        EXPECT_EQ(size, 5u);
        return;
    }
    ASSERT_EQ(registry.RegQueryValueExA(key, "Bare", nullptr, nullptr,
                                        reinterpret_cast<std::uint8_t*>(buffer), &size),
              kErrorSuccess);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(std::string(buffer, 4), "abcx");
}

// Differs: when the byte after a string's data is a NUL, Windows stores that NUL too; the
// store never reads past the caller's data.
TEST_P(Conformance, AStringFollowedByANulInTheCallersMemory) {
    const Hkey key = CreateTest();
    const char data[] = "abc";
    ASSERT_EQ(registry.RegSetValueExA(key, "Peek", 0, kRegSz,
                                      reinterpret_cast<const std::uint8_t*>(data), 3),
              kErrorSuccess);
    Dword size = 0;
    ASSERT_EQ(registry.RegQueryValueExA(key, "Peek", nullptr, nullptr, nullptr, &size),
              kErrorSuccess);
    EXPECT_EQ(size, TestRegistry::IsReal() ? 4u : 3u);
}

TEST_P(Conformance, TheValueNamedEmptyIsTheDefaultValue) {
    const Hkey key = CreateTest();
    ASSERT_EQ(SetBytes(key, nullptr, kRegSz, std::string("d\0", 2)), kErrorSuccess);
    Dword size = 0;
    EXPECT_EQ(registry.RegQueryValueExA(key, "", nullptr, nullptr, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(registry.RegDeleteValueA(key, ""), kErrorSuccess);
    EXPECT_EQ(registry.RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, &size),
              kErrorFileNotFound);
}

TEST_P(Conformance, SetStoresExactBytesAndReplacesAValueOfAnotherType) {
    const Hkey key = CreateTest();
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

TEST_P(Conformance, StringsCrossTheCodePageBothWays) {
    ASSUME_CODE_PAGE(1252);
    const Hkey key = CreateTest();
    ASSERT_EQ(SetBytes(key, "Caf\xE9", kRegSz, std::string("\x80 \xE9\0", 4)), kErrorSuccess);
    char16_t wide[8] = {};
    Dword size = sizeof wide;
    ASSERT_EQ(registry.RegQueryValueExW(key, u"caf\u00C9", nullptr, nullptr,
                                        reinterpret_cast<std::uint8_t*>(wide), &size),
              kErrorSuccess);
    EXPECT_EQ(std::u16string(wide, size / 2), std::u16string(u"\u20AC \u00E9\0", 4));
}

TEST_P(Conformance, DeletingKeysFollowsTheRegistryRules) {
    CreateTest(u"P\\C\\G");
    if (TestRegistry::IsWindows9x()) {
        // Windows 9x deletes a key with everything below it.
        EXPECT_EQ(registry.RegDeleteKeyW(kMachine, Below(u"P\\C").c_str()), kErrorSuccess);
        Hkey gone;
        EXPECT_EQ(Open(kMachine, Below(u"P\\C\\G"), &gone), kErrorFileNotFound);
        EXPECT_EQ(registry.RegDeleteKeyW(kMachine, Below(u"P\\Missing").c_str()),
                  kErrorFileNotFound);
        return;
    }
    EXPECT_EQ(registry.RegDeleteKeyW(kMachine, Below(u"P\\C").c_str()), kErrorAccessDenied);
    EXPECT_EQ(registry.RegDeleteKeyW(kMachine, Below(u"P\\Missing").c_str()), kErrorFileNotFound);
    EXPECT_EQ(registry.RegDeleteKeyW(kMachine, Below(u"p\\c\\g").c_str()), kErrorSuccess);
    Hkey key;
    ASSERT_EQ(Open(kMachine, Below(u"P\\C"), &key), kErrorSuccess);  // only the leaf went
    EXPECT_EQ(registry.RegDeleteKeyA(key, ""), kErrorSuccess);       // "" is the open key itself
    EXPECT_EQ(Open(kMachine, Below(u"P\\C"), &key), kErrorFileNotFound);
    ASSERT_EQ(Open(kMachine, Below(u"P"), &key), kErrorSuccess);
    EXPECT_EQ(registry.RegDeleteValueA(key, "none"), kErrorFileNotFound);
}

TEST_P(Conformance, ClassesRootAndCurrentConfigStandForTheirMachineKeys) {
    const Hkey classes = Create(RootKey(kHkeyClassesRoot), testing_support::kTestClass);
    ASSERT_EQ(SetString(classes, u"", u"testfile"), kErrorSuccess);
    Hkey key;
    EXPECT_EQ(
        Open(kMachine, u"Software\\Classes\\" + std::u16string(testing_support::kTestClass), &key),
        kErrorSuccess);
    Create(RootKey(kHkeyCurrentConfig), testing_support::kTestConfig);
    EXPECT_EQ(Open(kMachine,
                   u"System\\CurrentControlSet\\Hardware Profiles\\Current\\" +
                       std::u16string(testing_support::kTestConfig),
                   &key),
              kErrorSuccess);
}

TEST_P(Conformance, EnumerationListsSubkeysByNameAndValuesInTheirOrder) {
    const Hkey key = CreateTest(u"E");
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
    SetString(key, u"zed", u"333");  // an overwrite keeps its first spelling
    std::vector<std::u16string> names;
    for (Dword i = 0;; ++i) {
        char16_t valueName[16];
        Dword valueLength = 16, type = 0, size = 0;
        const Long status =
            registry.RegEnumValueW(key, i, valueName, &valueLength, nullptr, &type, nullptr, &size);
        if (status == kErrorNoMoreItems) break;
        ASSERT_EQ(status, kErrorSuccess);
        names.emplace_back(valueName, valueLength);
    }
    // Differs: Windows and the store list values in the order they were made; Wine sorts
    // them by name.
    const std::vector<std::u16string> expected = TestRegistry::IsReal()
                                                     ? std::vector<std::u16string>{u"Ann", u"Zed"}
                                                     : std::vector<std::u16string>{u"Zed", u"Ann"};
    EXPECT_EQ(names, expected);

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

// The calls the control makes, with its arguments: open with full access, a query for
// type and size, a read, a string written with its NUL, an integer, deletion.
TEST_P(Conformance, TheControlsCallsBehaveAlike) {
    const Hkey key = CreateTest();
    Hkey handle = kNullKey;
    ASSERT_EQ(registry.RegOpenKeyExA(kMachine, (Narrow(kTestKey) + "\\").c_str(), 0, kKeyAllAccess,
                                     &handle),
              kErrorSuccess);
    EXPECT_EQ(SetBytes(key, "Owner", kRegSz, std::string("Owner\0", 6)), kErrorSuccess);
    EXPECT_EQ(SetBytes(key, "Count", kRegDword, std::string("\xFF\xFF\xFF\xFF", 4)), kErrorSuccess);
    Dword type = 0, size = 0;
    ASSERT_EQ(registry.RegQueryValueExA(key, "Owner", nullptr, &type, nullptr, &size),
              kErrorSuccess);
    std::string buffer(size, '\0');
    ASSERT_EQ(registry.RegQueryValueExA(key, "Owner", nullptr, &type,
                                        reinterpret_cast<std::uint8_t*>(buffer.data()), &size),
              kErrorSuccess);
    EXPECT_EQ(buffer, std::string("Owner\0", 6));
    std::uint8_t number[4];
    size = 4;
    ASSERT_EQ(registry.RegQueryValueExA(key, "Count", nullptr, &type, number, &size),
              kErrorSuccess);
    EXPECT_EQ(type, kRegDword);
    EXPECT_EQ(registry.RegDeleteValueA(key, "Owner"), kErrorSuccess);
    EXPECT_EQ(registry.RegDeleteValueA(key, "Owner"), kErrorFileNotFound);
    EXPECT_EQ(registry.RegCloseKey(handle), kErrorSuccess);
    EXPECT_EQ(registry.RegCloseKey(handle), kErrorInvalidHandle);
}
