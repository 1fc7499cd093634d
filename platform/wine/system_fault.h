#pragma once

#include <cstring>
#include <string>

namespace wine {

// "Cannot read /path: No such file or directory": what failed, on which file, and why.
inline std::string SystemFault(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

}  // namespace wine
