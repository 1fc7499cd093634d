// The registry of a Wine prefix, an NT-family registry: HKEY_LOCAL_MACHINE from system.reg,
// the user's key and HKEY_CURRENT_USER from user.reg and HKEY_USERS\.Default from
// userdef.reg, served with Windows' rules by TreeRegistry. HKEY_DYN_DATA is a tree in
// memory. No change is written while a wineserver serves the prefix.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/memory/memory_tree.h"
#include "platform/registry/file_registry.h"
#include "platform/registry/joined_tree.h"

namespace wine {

class WineFileTree;

// What is refused while Wine runs in the prefix.
inline constexpr const char* kWineRunning =
    "Wine is running in this prefix; close its programs or run `wineserver -k`, then try again.";

class WinePrefix final : public platform::FileRegistry {
public:
    // Opens the prefix in folder. A file that cannot be read whole is left untouched and
    // reported through Problem(); every call then fails with ERROR_BADDB.
    explicit WinePrefix(std::string folder);
    ~WinePrefix() override;

    // Whether folder holds a prefix's system.reg, user.reg and userdef.reg.
    static bool IsPrefix(const std::string& folder);

    platform::RegistryFamily Family() const override { return platform::RegistryFamily::WindowsNt; }

protected:
    // Wine would write its own registry over the change when it next saves.
    platform::Long WriteRefusal(const platform::RegistryTree& tree) override;
    platform::Long StorageFailure() override;

private:
    std::string folder_;
    std::unique_ptr<WineFileTree> machine_, user_, defaultUser_;
    std::unique_ptr<platform::JoinedTree> users_;
    platform::MemoryTree dynData_;
};

}  // namespace wine
