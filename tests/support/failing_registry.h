// A registry on which every call fails, as an unusable store does; enough for tests that
// must show that no call is made at all.
#pragma once

#include "platform/registry_api.h"

namespace testing_support {

class FailingRegistry : public platform::RegistryApi {
public:
    using Long = platform::Long;
    using Dword = platform::Dword;
    using Hkey = platform::Hkey;

    Long RegOpenKeyExA(Hkey, const char*, Dword, platform::Regsam, Hkey* result) override {
        if (result) *result = platform::kNullKey;
        return platform::kErrorBadDb;
    }
    Long RegCreateKeyExA(Hkey, const char*, Dword, char*, Dword, platform::Regsam, const void*,
                         Hkey* result, Dword*) override {
        if (result) *result = platform::kNullKey;
        return platform::kErrorBadDb;
    }
    Long RegQueryValueExA(Hkey, const char*, Dword*, Dword*, std::uint8_t*, Dword*) override {
        return platform::kErrorBadDb;
    }
    Long RegSetValueExA(Hkey, const char*, Dword, Dword, const std::uint8_t*, Dword) override {
        return platform::kErrorBadDb;
    }
    Long RegDeleteKeyA(Hkey, const char*) override { return platform::kErrorBadDb; }
    Long RegDeleteValueA(Hkey, const char*) override { return platform::kErrorBadDb; }
    Long RegCloseKey(Hkey) override { return platform::kErrorBadDb; }
    platform::RegistryFamily Family() const override {
        return platform::RegistryFamily::Windows9x;
    }
};

}  // namespace testing_support
