// Reading and removing whole key trees through the Unicode registry functions.
#pragma once

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "platform/wide_registry_api.h"
#include "platform/key_handle.h"
#include "tools/regtool/key_name.h"
#include "tools/regtool/reg_value.h"

namespace regtool {

// Opens a key; the status of the open when it fails.
platform::Long Open(platform::WideRegistryApi& api, const KeyName& name, platform::Hkey* key);

// The values of an open key, in the registry's order.
platform::Long ReadValues(platform::WideRegistryApi& api, platform::Hkey key,
                          std::vector<RegValue>& values);

// The names of an open key's subkeys, in the registry's order.
platform::Long ReadSubKeys(platform::WideRegistryApi& api, platform::Hkey key,
                           std::vector<std::u16string>& names);

// Called for each key of a walk while it is open; a status other than success ends the walk.
using EnterKey = std::function<platform::Long(const KeyName& name, platform::Hkey key)>;
// Called for each key of a walk after everything below it, once it is closed, with the
// open key and the relative name through which it can be reached (its parent and its own
// name; the root and the whole path for the walk's first key).
using LeaveKey = std::function<platform::Long(platform::Hkey base, const std::u16string& name)>;

// Walks a key and every key below it, parents first and subkeys in the registry's order.
// Each key is opened through its parent, so that the walk takes time in proportion to
// the tree and no stack in proportion to its depth.
platform::Long WalkTree(platform::WideRegistryApi& api, const KeyName& top, const EnterKey& enter,
                        const LeaveKey& leave = {});

// Deletes a key and everything below it.
platform::Long DeleteTree(platform::WideRegistryApi& api, const KeyName& name);

}  // namespace regtool
