// Full key names as the tool and .reg files write them: a root, spelled out or abbreviated,
// then the path below it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/win_types.h"

namespace regtool {

struct KeyName {
    platform::Hkey root{};
    std::u16string rootName;  // spelled out: "HKEY_LOCAL_MACHINE"
    std::u16string path;      // below the root, without leading or trailing backslashes

    // "HKEY_LOCAL_MACHINE\Software\X", or the root alone.
    std::u16string Full() const;
};

// Reads "HKLM\Software\X" or "HKEY_LOCAL_MACHINE\Software\X" (case-insensitive root);
// nullopt for an unknown root.
std::optional<KeyName> ParseKeyName(std::u16string_view text);

// The root name a text begins with, as it is written there ("HKCU" of "HKCU/Software"),
// or empty; the longest when several fit.
std::u16string_view LeadingRoot(std::u16string_view text);

// The key name below another: parent\child.
KeyName Child(const KeyName& parent, std::u16string_view child);

}  // namespace regtool
