// Writing a hive back: hivex commits the changed copy to a temporary file beside the hive,
// which is flushed and renamed over it; the original is kept first when no copy is kept.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/regf/hivex_library.h"
#include "platform/regf/regf_file_tree.h"

namespace regf {
namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

void SyncFolder(const std::string& path) {
    if (const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

bool PathExists(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

void SyncFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int error = errno;
        if (fd >= 0) ::close(fd);
        throw SystemFault("Cannot write", path, error);
    }
    ::close(fd);
}

// Copies from to a new file to, through a temporary file renamed into place, for file
// systems that keep no second name for a file.
void CopyFile(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) throw SystemFault("Cannot read", from, errno);
    std::string temporary = to + ".XXXXXX";
    const int out = ::mkstemp(temporary.data());
    if (out < 0) {
        const int error = errno;
        ::close(in);
        throw SystemFault("Cannot write beside", from, error);
    }
    auto fail = [&](int error) {
        ::close(in);
        ::close(out);
        ::unlink(temporary.c_str());
        throw SystemFault("Cannot write", to, error);
    };
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) fail(errno);
        if (got == 0) break;
        for (ssize_t done = 0; done < got;) {
            const ssize_t wrote = ::write(out, buffer + done, static_cast<std::size_t>(got - done));
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote < 0) fail(errno);
            done += wrote;
        }
    }
    if (::fsync(out) != 0) fail(errno);
    ::close(in);
    if (::close(out) != 0 || (!PathExists(to) && ::rename(temporary.c_str(), to.c_str()) != 0)) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw SystemFault("Cannot write", to, error);
    }
    ::unlink(temporary.c_str());
}

}  // namespace

// The original is given a second name, which costs nothing and is never written again: a
// change replaces the hive's name with a new file, and leaves the old file to the copy.
void RegfFileTree::KeepOriginal() {
    const std::string backup = BackupPath();
    if (PathExists(backup)) return;
    if (::link(path_.c_str(), backup.c_str()) == 0) {
        SyncFolder(backup);
        return;
    }
    if (errno == EEXIST) return;
    CopyFile(path_, backup);
    SyncFolder(backup);
}

bool RegfFileTree::PrepareSave() {
    if (lost_) {
        throw RegfFileError(RegfFileError::Kind::Damaged,
                            path_ + ": a change could not be undone; nothing was written.");
    }
    if (changes_.empty()) return false;
    DiscardSave();
    if (Stamp() != stamp_) {
        throw RegfFileError(RegfFileError::Kind::Refused,
                            path_ + " was changed by another program since it was read; it was "
                                    "not overwritten.");
    }
    KeepOriginal();
    struct stat status {};
    const mode_t mode = ::stat(path_.c_str(), &status) == 0 ? (status.st_mode & 07777) : 0644;
    std::string temporary = path_ + ".vantrel-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) throw SystemFault("Cannot write beside", path_, errno);
    const bool moded = ::fchmod(fd, mode) == 0;
    const int modeError = errno;
    ::close(fd);
    if (!moded) {
        ::unlink(temporary.c_str());
        throw SystemFault("Cannot write", temporary, modeError);
    }
    if (Hivex().commit(write_, temporary.c_str(), 0) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw SystemFault("Cannot write", temporary, error);
    }
    try {
        SyncFile(temporary);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    pendingPath_ = std::move(temporary);
    return true;
}

void RegfFileTree::InstallSave() {
    if (pendingPath_.empty()) return;
    if (::rename(pendingPath_.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        DiscardSave();
        throw SystemFault("Cannot replace", path_, error);
    }
    pendingPath_.clear();
    // The rename is kept across a crash once the folder is on disk too.
    SyncFolder(path_);
    // The file now holds hivex's copy, every key at the same place: reads go to it.
    Hivex().close(write_);
    write_ = nullptr;
    ledger_.reset();
    changes_.clear();
    // Should the new file not read, the old stamp makes the next look read it again and
    // say why.
    read_ = HiveReader(path_);
    stamp_ = Stamp();
}

void RegfFileTree::DiscardSave() noexcept {
    if (pendingPath_.empty()) return;
    ::unlink(pendingPath_.c_str());
    pendingPath_.clear();
}

}  // namespace regf
