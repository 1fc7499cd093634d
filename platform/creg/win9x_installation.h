// The registry of a Windows 95, 98 or ME installation that is not running: HKEY_LOCAL_MACHINE
// from SYSTEM.DAT (its Software\Classes from CLASSES.DAT where Windows ME keeps one),
// HKEY_USERS from USER.DAT, HKEY_CURRENT_USER its .Default, or a profile's USER.DAT when
// user profiles are on and one is named. A 9x-family registry, served with Windows' rules
// by TreeRegistry; HKEY_DYN_DATA is a tree in memory.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/creg/creg_file_tree.h"
#include "platform/memory/memory_tree.h"
#include "platform/registry/file_registry.h"

namespace creg {

class MountedTree;

// Where an installation's files are.
struct InstallationFiles {
    std::string windowsFolder, system, user;
    std::optional<std::string> classes;
};

class Win9xInstallation final : public platform::FileRegistry {
public:
    // The files of the installation at path: a Windows folder holding SYSTEM.DAT and
    // USER.DAT, or a drive root whose MSDOS.SYS names it ([Paths] WinDir=), else the
    // folder below it that holds them. Names match without regard to case.
    static std::optional<InstallationFiles> Find(const std::string& path);

    // Opens the installation; profile names the user whose USER.DAT serves
    // HKEY_CURRENT_USER when user profiles are on. A file that cannot be read whole is
    // left untouched and reported through Problem(); every call then fails with
    // ERROR_BADDB.
    Win9xInstallation(InstallationFiles files, HiveText text,
                      std::optional<std::string> profile = std::nullopt, WriteOptions options = {});
    ~Win9xInstallation() override;

    // The file that serves HKEY_CURRENT_USER.
    const std::string& CurrentUserFile() const { return currentUserFile_; }

    platform::RegistryFamily Family() const override { return platform::RegistryFamily::Windows9x; }

protected:
    platform::Long StorageFailure() override;

private:
    void OpenProfile(const std::string& name);

    InstallationFiles files_;
    std::string currentUserFile_;
    std::unique_ptr<CregFileTree> system_, user_, classes_, profile_;
    std::unique_ptr<MountedTree> machine_;
    platform::MemoryTree dynData_;
};

}  // namespace creg
