// The real registry: advapi32's 8-bit functions, passed straight through. This is all
// the window program needs, and all it imports of the registry. A 32-bit process on 64-bit
// Windows opens and creates keys in the 64-bit view, the one Windows itself shows.
#pragma once

#include "platform/code_page_losses.h"
#include "platform/registry_api.h"

namespace platform::win32 {

// On Windows NT a string read is checked against the stored text, read again in its
// Unicode form, and counted when the code page did not hold it; 9x stores 8-bit text only.
class Win32Registry final : public RegistryApi, public CodePageLosses {
public:
    Long RegOpenKeyExA(Hkey key, const char* subKey, Dword options, Regsam access,
                       Hkey* result) override;
    Long RegCreateKeyExA(Hkey key, const char* subKey, Dword reserved, char* className,
                         Dword options, Regsam access, const void* securityAttributes, Hkey* result,
                         Dword* disposition) override;
    Long RegQueryValueExA(Hkey key, const char* valueName, Dword* reserved, Dword* type,
                          std::uint8_t* data, Dword* size) override;
    Long RegSetValueExA(Hkey key, const char* valueName, Dword reserved, Dword type,
                        const std::uint8_t* data, Dword size) override;
    Long RegDeleteKeyA(Hkey key, const char* subKey) override;
    Long RegDeleteValueA(Hkey key, const char* valueName) override;
    Long RegCloseKey(Hkey key) override;
    // GetVersion's high bit.
    RegistryFamily Family() const override;
    unsigned long LossyReads() const override { return lossyReads_; }

private:
    unsigned long lossyReads_ = 0;
};

}  // namespace platform::win32
