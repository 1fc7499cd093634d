// Key names and paths as the registry reads them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The longest key name component and value name, in UTF-16 units.
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;

// The form under which names are compared: every letter upper-cased, one UTF-16 unit at
// a time, so that names match without regard to case in any script.
std::u16string FoldName(std::u16string_view name);
// The same into a buffer, whose room is kept from one name to the next.
void FoldName(std::u16string_view name, std::u16string& folded);

// Names in the order of their folded forms, as an NT hive keeps a key's subkeys.
bool FoldedNameLess(std::u16string_view a, std::u16string_view b);

// The components of a key path. Runs of backslashes count as one and trailing ones are
// ignored; nullopt for a path that starts with a backslash.
std::optional<std::vector<std::u16string_view>> SplitKeyPath(std::u16string_view path);

}  // namespace platform
