// The registry of an offline Windows NT installation, as a registry a name chooses.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "platform/named/named_registry.h"

namespace platform {

// The installation whose drive root or Windows folder is folder, with the profile named
// user (any case) as HKEY_CURRENT_USER when user is not empty: nullopt when folder is no
// installation, the refusal listing the profiles found when user names none of them.
std::optional<std::variant<std::unique_ptr<NamedRegistry>, std::string>> OpenOfflineWindows(
    const std::string& folder, const std::string& user);

// What a folder must hold to be an installation, for the refusal of a folder that holds
// no registry.
std::string OfflineWindowsLayout();

}  // namespace platform
