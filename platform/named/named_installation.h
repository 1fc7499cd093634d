// A Windows 9x installation as the registry a name chooses: a Windows folder holding
// SYSTEM.DAT and USER.DAT, or a drive root that leads to one.
#pragma once

#include <memory>
#include <string>
#include <variant>

#include "platform/named/named_registry.h"

namespace platform {

// Whether path leads to a Windows 9x installation's registry files.
bool IsWin9xInstallation(const std::string& path);

// Opens the installation at path in the code page VANTREL_9X_CODEPAGE names (1252 when
// unset), with the profile user names (when not empty) serving HKEY_CURRENT_USER; a
// variable that cannot be used gives the reason.
std::variant<std::unique_ptr<NamedRegistry>, std::string> OpenWin9xInstallation(
    const std::string& path, const std::string& user = {});

}  // namespace platform
