// Wraps a real registry: records every call made through it and makes chosen calls fail.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry_api.h"

namespace testing_support {

// One call as the caller made it.
struct RegistryCall {
    std::string function;                 // "RegOpenKeyExA", ...
    platform::Hkey key{};                 // the handle passed in
    std::string name;                     // sub-key path or value name; "<null>" for a null pointer
    platform::Regsam access = 0;          // open and create
    platform::Dword options = 0;          // open and create
    platform::Dword type = 0;             // set: the type given; query: the type reported
    std::optional<platform::Dword> size;  // set: the size given; query: the size passed in
    bool withBuffer = false;              // query: a data buffer was passed
    std::string data;                     // set: the bytes given
    platform::Long status = 0;            // what the call returned
};

// A failure to inject: calls of function (and, when set, naming name) return status,
// after `after` matching calls went through, for the next `times` matching calls, or for
// all of them when times is negative.
struct InjectedFailure {
    std::string function;
    std::optional<std::string> name;
    platform::Long status = platform::kErrorAccessDenied;
    int times = 1;
    int after = 0;
};

class RecordingRegistry : public platform::RegistryApi {
public:
    explicit RecordingRegistry(platform::RegistryApi& inner) : inner_(inner) {}

    void Inject(InjectedFailure failure) { failures_.push_back(std::move(failure)); }

    // Names of the functions called, in order.
    std::vector<std::string> Functions() const;

    std::vector<RegistryCall> calls;

    platform::Long RegOpenKeyExA(platform::Hkey key, const char* subKey, platform::Dword options,
                                 platform::Regsam access, platform::Hkey* result) override;
    platform::Long RegCreateKeyExA(platform::Hkey key, const char* subKey, platform::Dword reserved,
                                   char* className, platform::Dword options,
                                   platform::Regsam access, const void* securityAttributes,
                                   platform::Hkey* result, platform::Dword* disposition) override;
    platform::Long RegQueryValueExA(platform::Hkey key, const char* valueName,
                                    platform::Dword* reserved, platform::Dword* type,
                                    std::uint8_t* data, platform::Dword* size) override;
    platform::Long RegSetValueExA(platform::Hkey key, const char* valueName,
                                  platform::Dword reserved, platform::Dword type,
                                  const std::uint8_t* data, platform::Dword size) override;
    platform::Long RegDeleteKeyA(platform::Hkey key, const char* subKey) override;
    platform::Long RegDeleteValueA(platform::Hkey key, const char* valueName) override;
    platform::Long RegCloseKey(platform::Hkey key) override;
    // The inner registry's line of Windows, unless a test set another.
    platform::RegistryFamily Family() const override { return family.value_or(inner_.Family()); }

    // Makes the registry pass for one of another line of Windows.
    std::optional<platform::RegistryFamily> family;

private:
    std::optional<platform::Long> Injected(const std::string& function, const std::string& name);

    platform::RegistryApi& inner_;
    std::vector<InjectedFailure> failures_;
};

}  // namespace testing_support
