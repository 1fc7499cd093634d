// The registry a test runs against: off Windows a fresh store in memory for each test, or
// the same rules over trees held in memory; on Windows the real registry, where the keys
// tests may make are removed before and after.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/code_page_losses.h"
#include "platform/wide_registry_api.h"

namespace testing_support {

// Every key a test makes lies below one of these, so that the real registry is left
// as the test found it.
inline constexpr const char16_t* kTestKey = u"Software\\VantrelTest";  // HKLM, HKCU
inline constexpr const char16_t* kTestClass = u".vantreltest";         // HKCR
inline constexpr const char16_t* kTestConfig = u"VantrelTest";         // HKCC
inline constexpr const char16_t* kSetupKey = u"Software\\Microsoft\\MS Setup (ACME)\\User Info";

// Real: the platform's own registry. Store: our SQLite store, as the programs use it.
// Memory: the registry's rules over trees in memory, a second tree implementation.
// OfflineWindows: the hives of an offline Windows installation, read and written by hivex.
enum class RegistryKind { Real, Store, Memory, OfflineWindows };

class TestRegistry {
public:
    // The kinds this build can run against, the programs' own first.
    static std::vector<RegistryKind> Kinds();
    static std::string Name(RegistryKind kind);

    explicit TestRegistry(RegistryKind kind = Kinds().front());
    ~TestRegistry();
    TestRegistry(const TestRegistry&) = delete;
    TestRegistry& operator=(const TestRegistry&) = delete;

    platform::WideRegistryApi& Api() { return *api_; }
    // The 8-bit functions as the editor calls them on this platform, on the same registry.
    platform::RegistryApi& EditorApi();
    // What the editor's functions counted of the reads that lost characters.
    const platform::CodePageLosses& EditorLosses();

    // Whether this is the platform's real registry rather than our store.
    static bool IsReal();
    // Whether it is the registry of Windows 9x, which keeps 8-bit text and has rules of
    // its own (a key's tree goes with it, a string is stored up to its first NUL).
    static bool IsWindows9x();

private:
    void RemoveTestKeys();

    // What the registry keeps its files in, when it has any; removed after the registry.
    std::shared_ptr<void> storage_;
    std::unique_ptr<platform::WideRegistryApi> api_;
    std::unique_ptr<platform::RegistryApi> editor_;
};

}  // namespace testing_support
