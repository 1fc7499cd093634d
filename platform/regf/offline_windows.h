// The registry of an offline Windows NT installation, an NT-family registry:
// HKEY_LOCAL_MACHINE\Software and \System from the SOFTWARE and SYSTEM hives,
// HKEY_USERS\.Default from DEFAULT and, when a profile is chosen, the user's key from its
// NTUSER.DAT. HKEY_CURRENT_USER is that user's key, else HKEY_USERS\.Default. Served with
// Windows' rules by TreeRegistry; HKEY_DYN_DATA is a tree in memory.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/memory/memory_tree.h"
#include "platform/registry/file_registry.h"
#include "platform/registry/joined_tree.h"
#include "platform/regf/nt_installation.h"

namespace regf {

class RegfFileTree;

// Holds every hive still while it lives (RegfFileTree::HoldStill).
class InstallationSnapshot {
public:
    explicit InstallationSnapshot(std::vector<RegfFileTree*> hives);
    InstallationSnapshot(InstallationSnapshot&& other) noexcept;
    InstallationSnapshot& operator=(InstallationSnapshot&&) = delete;
    ~InstallationSnapshot();

private:
    std::vector<RegfFileTree*> hives_;
};

class OfflineWindows final : public platform::FileRegistry {
public:
    // Opens the installation's hives, and user's NTUSER.DAT when given. A hive that cannot
    // be read is left untouched and reported through Problem(); every call then fails with
    // ERROR_BADDB.
    OfflineWindows(const NtInstallation& installation, std::optional<UserProfile> user);
    ~OfflineWindows() override;

    // Holds the hives still for a listing; nullopt when the installation cannot be used.
    std::optional<InstallationSnapshot> BeginSnapshot();
    // The name under HKEY_USERS of the chosen user's key; empty when none was chosen.
    const std::u16string& UserKeyName() const noexcept { return userKey_; }

    platform::RegistryFamily Family() const override { return platform::RegistryFamily::WindowsNt; }

protected:
    platform::Long StorageFailure() override;

private:
    std::u16string UserKey(const UserProfile& user);
    std::vector<RegfFileTree*> Hives() const;

    std::u16string userKey_;
    std::unique_ptr<RegfFileTree> software_, system_, defaultUser_, user_;
    std::unique_ptr<platform::JoinedTree> machine_, users_;
    platform::MemoryTree dynData_;
};

}  // namespace regf
