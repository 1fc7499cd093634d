// Whether a file lies on a file system mounted read-only, and where that is mounted.
#pragma once

#include <optional>
#include <string>

namespace regf {

// The mount point of the read-only file system that holds path; nullopt when it may be
// written.
std::optional<std::string> ReadOnlyMountOf(const std::string& path);

}  // namespace regf
