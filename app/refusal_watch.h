// The registry the window's controls are given: every call passed through, and a note kept
// of whether the registry refused one for want of rights, which the control's own error
// codes do not tell apart from other failures.
#pragma once

#include "platform/registry_api.h"

namespace app {

class RefusalWatch final : public platform::RegistryApi {
public:
    explicit RefusalWatch(platform::RegistryApi& inner) : inner_(inner) {}

    // Whether a call answered ERROR_ACCESS_DENIED since the last Reset().
    bool AccessDenied() const noexcept { return accessDenied_; }
    // Forgets the refusals seen so far.
    void Reset() noexcept { accessDenied_ = false; }

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
    platform::RegistryFamily Family() const override { return inner_.Family(); }

private:
    platform::Long Seen(platform::Long status) noexcept;

    platform::RegistryApi& inner_;
    bool accessDenied_ = false;
};

}  // namespace app
