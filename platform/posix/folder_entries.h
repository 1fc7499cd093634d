// Names in a folder matched without regard to case, as Windows matches them, on a disk
// mounted case-sensitively.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform::posix {

// The path of the entry of folder named name in any case; nullopt when there is none.
std::optional<std::string> FindEntry(const std::string& folder, const std::string& name);

// The path below folder whose components are names, each matched in any case.
std::optional<std::string> FindPath(const std::string& folder,
                                    const std::vector<std::string>& names);

// The folders inside folder, by name, sorted.
std::vector<std::string> SubFolders(const std::string& folder);

// Whether path is a folder / a regular file.
bool IsFolder(const std::string& path);
bool IsFile(const std::string& path);

}  // namespace platform::posix
