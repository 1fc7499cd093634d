// Writing a 9x registry file back: the whole file is made anew from the hive, read again
// to be sure it can be, written beside the old one, flushed and renamed over it. The first
// change keeps the original as .VE0 beside it.
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/creg/creg_file_tree.h"

namespace creg {
namespace {

std::string SystemFault(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

// Whether folder holds name, in any case, as a FAT folder would match it.
bool FolderHolds(const std::string& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

void WriteAll(int fd, const std::string& bytes, const std::string& path) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t done = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) throw CregFileError(SystemFault("Cannot write", path, errno), errno);
        written += static_cast<std::size_t>(done);
    }
    if (::fsync(fd) != 0) throw CregFileError(SystemFault("Cannot write", path, errno), errno);
}

void SyncFolder(const std::string& folder) {
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace

std::string CregFileTree::BackupPath() const {
    const std::size_t slash = path_.rfind('/');
    const std::size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path_.rfind('.');
    const std::string stem =
        dot == std::string::npos || dot < nameAt ? path_ : path_.substr(0, dot);
    const bool lower =
        path_.size() > nameAt && std::islower(static_cast<unsigned char>(path_.back()));
    return stem + (lower ? ".ve0" : ".VE0");
}

bool CregFileTree::PrepareSave() {
    if (!state_.changed) return false;
    DiscardSave();
    // Another program's change since the file was read would be lost.
    if (Stamp() != stamp_) {
        throw CregFileError(path_ +
                            " was changed by another program since it was read; "
                            "nothing was written to it.");
    }
    Hive hive = state_.hive;
    std::string bytes;
    try {
        bytes = WriteHive(hive, options_);
        ReadHive(bytes);
    } catch (const HiveLimitError& error) {
        throw CregLimitError(path_ + " cannot hold the change: " + error.what() +
                             ". Nothing was written.");
    } catch (const HiveFormatError& error) {
        throw CregFileError(path_ + " would not be written as a sound file (" + error.what() +
                            "). Nothing was written.");
    }
    struct stat status {};
    const mode_t mode = ::stat(path_.c_str(), &status) == 0 ? (status.st_mode & 07777) : 0644;
    const std::string folder = FolderOf(path_);
    const std::string backup = BackupPath();
    if (!FolderHolds(
            folder,
            backup.substr(backup.rfind('/') == std::string::npos ? 0 : backup.rfind('/') + 1))) {
        const int fd = ::open(backup.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd < 0 && errno != EEXIST) {
            throw CregFileError(SystemFault("Cannot keep the original as", backup, errno), errno);
        }
        if (fd >= 0) {
            try {
                WriteAll(fd, bytes_, backup);
            } catch (...) {
                ::close(fd);
                ::unlink(backup.c_str());
                throw;
            }
            ::close(fd);
        }
    }
    std::string temporary = path_ + ".vantrel-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) throw CregFileError(SystemFault("Cannot write beside", path_, errno), errno);
    try {
        if (::fchmod(fd, mode) != 0)
            throw CregFileError(SystemFault("Cannot write", temporary, errno), errno);
        WriteAll(fd, bytes, temporary);
    } catch (...) {
        ::close(fd);
        ::unlink(temporary.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw CregFileError(SystemFault("Cannot write", temporary, error), error);
    }
    SyncFolder(folder);
    pendingPath_ = std::move(temporary);
    pendingBytes_ = std::move(bytes);
    return true;
}

void CregFileTree::InstallSave() {
    if (pendingPath_.empty()) return;
    if (::rename(pendingPath_.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        DiscardSave();
        throw CregFileError(SystemFault("Cannot replace", path_, error), error);
    }
    pendingPath_.clear();
    // The rename is kept across a crash once the folder is on disk too.
    SyncFolder(FolderOf(path_));
    Load(std::move(pendingBytes_));
    pendingBytes_.clear();
    stamp_ = Stamp();
}

void CregFileTree::DiscardSave() noexcept {
    if (pendingPath_.empty()) return;
    ::unlink(pendingPath_.c_str());
    pendingPath_.clear();
    pendingBytes_.clear();
}

}  // namespace creg
