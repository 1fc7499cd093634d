// Reading and removing whole key trees through the Unicode registry functions.
#pragma once

#include <optional>
#include <vector>

#include "platform/wide_registry_api.h"
#include "tools/regtool/key_name.h"
#include "tools/regtool/reg_file.h"
#include "tools/regtool/reg_value.h"

namespace regtool {

// An open key that closes itself.
class OpenKey {
public:
    OpenKey(platform::WideRegistryApi& api, platform::Hkey key) : api_(api), key_(key) {}
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey() {
        if (key_ != platform::kNullKey) api_.RegCloseKey(key_);
    }
    platform::Hkey get() const noexcept { return key_; }

private:
    platform::WideRegistryApi& api_;
    platform::Hkey key_;
};

// Opens a key; the status of the open when it fails.
platform::Long Open(platform::WideRegistryApi& api, const KeyName& name, platform::Hkey* key);

// The values of an open key, in the registry's order.
platform::Long ReadValues(platform::WideRegistryApi& api, platform::Hkey key,
                          std::vector<RegValue>& values);

// The names of an open key's subkeys, in the registry's order.
platform::Long ReadSubKeys(platform::WideRegistryApi& api, platform::Hkey key,
                           std::vector<std::u16string>& names);

// A key and every key below it with their values, parents first.
platform::Long ReadTree(platform::WideRegistryApi& api, const KeyName& name,
                        std::vector<ExportedKey>& keys);

// Deletes a key and everything below it.
platform::Long DeleteTree(platform::WideRegistryApi& api, const KeyName& name);

}  // namespace regtool
