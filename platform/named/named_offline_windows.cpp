#include "platform/named/named_offline_windows.h"

#include "platform/named/held.h"
#include "platform/regf/offline_windows.h"

namespace platform {
namespace {

class NamedOfflineWindows final : public NamedRegistry {
public:
    NamedOfflineWindows(const regf::NtInstallation& installation,
                        std::optional<regf::UserProfile> user)
        : description_("offline Windows installation " + installation.folder +
                       (user ? ", user " + user->name : std::string())),
          windows_(installation, std::move(user)) {}
    TreeRegistry& Registry() override { return windows_; }
    std::optional<std::string> Problem() const override {
        return fault_ ? fault_ : windows_.Problem();
    }
    std::unique_ptr<NamedBatch> BeginBatch() override {
        auto batch = windows_.BeginBatch();
        if (!batch) return nullptr;
        return std::make_unique<BatchOf<FileBatch>>(std::move(*batch), &fault_);
    }
    std::unique_ptr<NamedSnapshot> BeginSnapshot() override {
        auto snapshot = windows_.BeginSnapshot();
        if (!snapshot) return nullptr;
        return std::make_unique<SnapshotOf<regf::InstallationSnapshot>>(std::move(*snapshot));
    }
    std::string Description() const override { return description_; }

private:
    std::string description_;
    regf::OfflineWindows windows_;
    std::optional<std::string> fault_;
};

}  // namespace

std::optional<std::variant<std::unique_ptr<NamedRegistry>, std::string>> OpenOfflineWindows(
    const std::string& folder, const std::string& user) {
    const auto installation = regf::FindNtInstallation(folder);
    if (!installation) return std::nullopt;
    std::optional<regf::UserProfile> profile;
    if (!user.empty()) {
        profile = regf::FindProfile(*installation, user);
        if (!profile) return regf::NoSuchProfile(*installation, user);
    }
    return std::unique_ptr<NamedRegistry>(
        std::make_unique<NamedOfflineWindows>(*installation, std::move(profile)));
}

std::string OfflineWindowsLayout() { return regf::kInstallationLayout; }

}  // namespace platform
