// What is the store's own beside the registry's rules, which the conformance suite checks:
// its roots, the keys of a new installation, and its answers where Windows has no rule.
#include "platform/store/registry_store.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "new_store.h"

using namespace platform;
using store::RegistryStore;

namespace {

const Hkey kMachine = RootKey(kHkeyLocalMachine);
const Hkey kUsers = RootKey(kHkeyUsers);
const Hkey kGarbage = static_cast<Hkey>(0xDEAD);

class Store : public ::testing::Test {
protected:
    RegistryStore registry{RegistryStore::kInMemory, testing_support::NewInstallation()};

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
        EXPECT_EQ(
            registry.RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr),
            kErrorSuccess);
        return std::u16string(name, length);
    }
};

}  // namespace

// The performance-data root has no tree here; its handle is no key.
TEST_F(Store, ThePerformanceDataRootIsNoKey) {
    const Hkey performance = RootKey(kHkeyPerformanceData);
    Hkey out;
    Dword size = 0;
    EXPECT_EQ(Open(performance, u"x", &out), kErrorInvalidHandle);
    EXPECT_EQ(out, kNullKey);
    EXPECT_EQ(registry.RegQueryValueExA(performance, "x", nullptr, nullptr, nullptr, &size),
              kErrorInvalidHandle);
    EXPECT_EQ(SetBytes(performance, "x", kRegSz, "a"), kErrorInvalidHandle);
}

// Asked for type and size alone, a missing value reports both as 0.
TEST_F(Store, AMissingValueQueriedWithoutBufferHasTypeAndSizeZero) {
    const Hkey key = Create(kMachine, u"Software\\Q");
    Dword type = 99, size = 99;
    EXPECT_EQ(registry.RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, &size),
              kErrorFileNotFound);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(size, 0u);
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
    EXPECT_EQ(
        Open(kMachine, u"System\\CurrentControlSet\\Hardware Profiles\\Current\\Display", &key),
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
    EXPECT_EQ(
        registry.RegQueryValueExA(key, "RegisteredOwner", nullptr, nullptr, nullptr, &ownerSize),
        kErrorSuccess);
    Hkey setup;
    ASSERT_EQ(
        Open(RootKey(kHkeyCurrentUser), u"Software\\Microsoft\\MS Setup (ACME)\\User Info", &setup),
        kErrorSuccess);
    Dword nameSize = 0;
    EXPECT_EQ(registry.RegQueryValueExA(setup, "DefName", nullptr, nullptr, nullptr, &nameSize),
              kErrorSuccess);
    EXPECT_EQ(nameSize, ownerSize);
    EXPECT_EQ(registry.RegQueryValueExA(setup, "DefCompany", nullptr, nullptr, nullptr, &nameSize),
              kErrorSuccess);
}
