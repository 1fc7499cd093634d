#include "platform/named/named_installation.h"

#include "platform/creg/win9x_installation.h"
#include "platform/named/held.h"

namespace platform {
namespace {

class NamedInstallation final : public NamedRegistry {
public:
    NamedInstallation(creg::InstallationFiles files, creg::HiveText text,
                      std::optional<std::string> profile)
        : folder_(files.windowsFolder), installation_(std::move(files), text, std::move(profile)) {}
    TreeRegistry& Registry() override { return installation_; }
    std::optional<std::string> Problem() const override {
        return fault_ ? fault_ : installation_.Problem();
    }
    std::unique_ptr<NamedBatch> BeginBatch() override {
        auto batch = installation_.BeginBatch();
        if (!batch) return nullptr;
        return std::make_unique<BatchOf<FileBatch>>(std::move(*batch), &fault_);
    }
    // The files are read whole; one that another program rewrites is read again whole.
    std::unique_ptr<NamedSnapshot> BeginSnapshot() override { return nullptr; }
    std::string Description() const override { return "Windows 9x installation " + folder_; }

private:
    std::string folder_;
    creg::Win9xInstallation installation_;
    std::optional<std::string> fault_;
};

}  // namespace

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
    return std::unique_ptr<NamedRegistry>(std::make_unique<NamedInstallation>(
        std::move(*files), creg::HiveText(*codePage), std::move(profile)));
}

}  // namespace platform
