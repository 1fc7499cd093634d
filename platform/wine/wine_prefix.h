// The registry of a Wine prefix, an NT-family registry: HKEY_LOCAL_MACHINE from system.reg,
// the user's key and HKEY_CURRENT_USER from user.reg and HKEY_USERS\.Default from
// userdef.reg, served with Windows' rules by TreeRegistry. HKEY_DYN_DATA is a tree in
// memory. No change is written while a wineserver serves the prefix.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/memory/memory_tree.h"
#include "platform/registry/joined_tree.h"
#include "platform/registry/tree_registry.h"

namespace wine {

class WineFileTree;

// What is refused while Wine runs in the prefix.
inline constexpr const char* kWineRunning =
    "Wine is running in this prefix; close its programs or run `wineserver -k`, then try again.";

// Changes made while a batch is open are written together when it commits: every changed
// file to a temporary file first, then each renamed over its file.
class PrefixBatch {
public:
    PrefixBatch(std::vector<WineFileTree*> files,
                std::vector<std::unique_ptr<platform::TreeBatch>> batches);
    PrefixBatch(PrefixBatch&&) noexcept;
    ~PrefixBatch();

    // False when a file could not be written; then none was, unless a rename failed.
    bool Commit();
    // Why Commit failed, naming the file.
    const std::string& Fault() const { return fault_; }

private:
    std::string fault_;
    std::vector<WineFileTree*> files_;
    std::vector<std::unique_ptr<platform::TreeBatch>> batches_;
};

class WinePrefix final : public platform::TreeRegistry {
public:
    // Opens the prefix in folder. A file that cannot be read whole is left untouched and
    // reported through Problem(); every call then fails with ERROR_BADDB.
    explicit WinePrefix(std::string folder);
    ~WinePrefix() override;
    WinePrefix(const WinePrefix&) = delete;
    WinePrefix& operator=(const WinePrefix&) = delete;

    // The path of the file that folder holds under name, matched without regard to case.
    static std::optional<std::string> FindFile(const std::string& folder, const std::string& name);
    // Whether folder holds a prefix's system.reg, user.reg and userdef.reg.
    static bool IsPrefix(const std::string& folder);

    // Why the prefix cannot be read, or why the last change was refused; empty otherwise.
    const std::optional<std::string>& Problem() const noexcept { return problem_; }
    // Opens a batch; nullopt when the prefix cannot be used.
    std::optional<PrefixBatch> BeginBatch();

    platform::RegistryFamily Family() const override { return platform::RegistryFamily::WindowsNt; }

protected:
    platform::Long Refusal(bool change) override;
    // Wine would write its own registry over the change when it next saves.
    platform::Long WriteRefusal(const platform::RegistryTree& tree) override;
    platform::Long StorageFailure() override;

private:
    std::string folder_;
    std::optional<std::string> problem_;
    bool unusable_ = false;
    std::unique_ptr<WineFileTree> machine_, user_, defaultUser_;
    std::unique_ptr<platform::JoinedTree> users_;
    platform::MemoryTree dynData_;
    platform::RootMap roots_;
};

}  // namespace wine
