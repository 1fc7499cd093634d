#include "platform/named/named_installation.h"

#include "platform/creg/win9x_installation.h"
#include "platform/named/named_files.h"

namespace platform {

bool IsWin9xInstallation(const std::string& path) {
    return creg::Win9xInstallation::Find(path).has_value();
}

std::variant<std::unique_ptr<NamedRegistry>, std::string> OpenWin9xInstallation(
    const std::string& path, const std::string& user) {
    auto files = creg::Win9xInstallation::Find(path);
    if (!files) return path + " holds no SYSTEM.DAT and USER.DAT of a Windows 9x installation.";
    std::string problem;
    const auto codePage = creg::InstallationCodePage(&problem);
    if (!codePage) return problem;
    std::optional<std::string> profile;
    if (!user.empty()) profile = user;
    std::string description = "Windows 9x installation " + files->windowsFolder;
    return std::unique_ptr<NamedRegistry>(std::make_unique<NamedFiles<creg::Win9xInstallation>>(
        std::move(description), std::move(*files), creg::HiveText(*codePage), std::move(profile)));
}

}  // namespace platform
