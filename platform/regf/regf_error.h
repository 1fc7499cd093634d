// The one error form of the offline NT registry: what failed, on which file, and why.
#pragma once

#include <cstring>
#include <stdexcept>
#include <string>

namespace regf {

// What is refused when Windows left a hive for its next start to finish.
inline constexpr const char* kNotShutDown =
    "Windows did not shut down cleanly (hibernation or Fast Startup); start it and shut it "
    "down fully, then try again.";

// A hive that could not be read, or must not or could not be written. The message names
// the file and the fault.
class RegfFileError : public std::runtime_error {
public:
    enum class Kind { Damaged, Refused, System };
    RegfFileError(Kind kind, const std::string& message, int error = 0)
        : std::runtime_error(message), kind_(kind), error_(error) {}
    Kind What() const noexcept { return kind_; }
    // The errno of a failed system call, else 0.
    int Error() const noexcept { return error_; }

private:
    Kind kind_;
    int error_;
};

// A failed system call on a file: "Cannot read /path: No such file or directory".
inline RegfFileError SystemFault(const std::string& what, const std::string& path, int error) {
    return RegfFileError(RegfFileError::Kind::System,
                         what + " " + path + ": " + std::strerror(error), error);
}

}  // namespace regf
