// Where an offline Windows NT installation keeps its hives: the folder named is its drive
// root or its Windows folder, and every name below it is matched without regard to case.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace regf {

// The hives of an installation, by path.
struct NtInstallation {
    std::string folder;  // the folder named
    std::string driveRoot, windows, config;
    std::string software, system, defaultUser;
};

// A user's profile: its folder's name and its NTUSER.DAT.
struct UserProfile {
    std::string name;
    std::string hive;
};

// What a folder must hold to be an installation, for a refusal to say.
inline constexpr const char* kInstallationLayout =
    "a Windows installation (its drive root or its Windows folder) holds "
    "Windows\\System32\\config\\SOFTWARE, SYSTEM and DEFAULT";

// The installation whose drive root or Windows folder is folder; nullopt when it is
// neither. Windows 2000 and NT 4's folder WINNT is found as well as Windows.
std::optional<NtInstallation> FindNtInstallation(const std::string& folder);

// The profiles that hold an NTUSER.DAT: in Users (Vista on), Documents and Settings
// (2000, XP) and the Windows folder's Profiles (NT 4), sorted by name.
std::vector<UserProfile> FindProfiles(const NtInstallation& installation);

// The profile named name in any case, else nullopt.
std::optional<UserProfile> FindProfile(const NtInstallation& installation,
                                       const std::string& name);

// Why a user name was refused: no such profile, and the profiles found.
std::string NoSuchProfile(const NtInstallation& installation, const std::string& name);

}  // namespace regf
