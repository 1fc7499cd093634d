#include "platform/named/named_registry.h"

#include <sys/stat.h>

#include "platform/named/held.h"
#include "platform/named/named_files.h"
#include "platform/named/named_installation.h"
#include "platform/named/named_offline_windows.h"
#include "platform/store/registry_store.h"
#include "platform/wine/wine_prefix.h"

namespace platform {
namespace {

class NamedStore final : public NamedRegistry {
public:
    NamedStore(const std::string& path, const InitialContentsSource& contents)
        : path_(path), store_(path, contents) {}
    TreeRegistry& Registry() override { return store_; }
    std::optional<std::string> Problem() const override { return store_.Problem(); }
    std::unique_ptr<NamedBatch> BeginBatch() override {
        auto batch = store_.BeginBatch();
        if (!batch) return nullptr;
        return std::make_unique<BatchOf<store::StoreBatch>>(std::move(*batch));
    }
    std::unique_ptr<NamedSnapshot> BeginSnapshot() override {
        auto snapshot = store_.BeginSnapshot();
        if (!snapshot) return nullptr;
        return std::make_unique<SnapshotOf<store::StoreSnapshot>>(std::move(*snapshot));
    }
    std::string Description() const override { return "registry store " + path_; }

private:
    std::string path_;
    store::RegistryStore store_;
};

}  // namespace

std::variant<std::unique_ptr<NamedRegistry>, std::string> OpenNamedRegistry(
    const std::string& path, const InitialContentsSource& contents, const std::string& user) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        if (IsWin9xInstallation(path)) return OpenWin9xInstallation(path, user);
        if (wine::WinePrefix::IsPrefix(path)) {
            return std::unique_ptr<NamedRegistry>(
                std::make_unique<NamedFiles<wine::WinePrefix>>("Wine prefix " + path, path));
        }
        if (auto windows = OpenOfflineWindows(path, user)) return std::move(*windows);
        return path + " is a folder, but no registry was found in it: a Wine prefix holds "
                      "system.reg, user.reg and userdef.reg; " + OfflineWindowsLayout() +
               "; a Windows 9x folder holds SYSTEM.DAT and USER.DAT; a registry store is a file.";
    }
    return std::unique_ptr<NamedRegistry>(std::make_unique<NamedStore>(path, contents));
}

}  // namespace platform
