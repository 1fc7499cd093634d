#include "platform/named/named_offline_windows.h"

#include "platform/named/named_files.h"
#include "platform/regf/offline_windows.h"

namespace platform {

std::optional<std::variant<std::unique_ptr<NamedRegistry>, std::string>> OpenOfflineWindows(
    const std::string& folder, const std::string& user) {
    const auto installation = regf::FindNtInstallation(folder);
    if (!installation) return std::nullopt;
    std::optional<regf::UserProfile> profile;
    if (!user.empty()) {
        profile = regf::FindProfile(*installation, user);
        if (!profile) return regf::NoSuchProfile(*installation, user);
    }
    std::string description = "offline Windows installation " + installation->folder +
                              (profile ? ", user " + profile->name : std::string());
    return std::unique_ptr<NamedRegistry>(std::make_unique<NamedFiles<regf::OfflineWindows>>(
        std::move(description), *installation, std::move(profile)));
}

std::string OfflineWindowsLayout() { return regf::kInstallationLayout; }

}  // namespace platform
