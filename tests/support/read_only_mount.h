// Makes a folder read-only for this process alone: a read-only bind mount of it in a
// mount namespace of the process's own. Works as root too, which ignores file modes.
#pragma once

#include <sched.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace testing_support {

// Empty on success, else why the folder could not be made read-only.
inline std::string MakeFolderReadOnly(const std::string& folder) {
    if (unshare(CLONE_NEWNS) != 0 ||
        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        return std::strerror(errno);
    }
    return {};
}

}  // namespace testing_support
