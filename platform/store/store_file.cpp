#include "store_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "store_creation.h"
#include "store_header.h"
#include "store_location.h"

namespace store {
namespace {

// How long a call waits for another process's write before it gives up.
constexpr int kBusyTimeoutMs = 5000;

using Connection = std::unique_ptr<sqlite::Database>;

Connection Connect(const std::string& path, sqlite::Database::Mode mode) {
    return std::make_unique<sqlite::Database>(path, mode);
}

// Whether the file holds a store's tables, looked up in its schema. Reading them writes
// nothing to a store that is sound; one whose writer was killed may first need its log
// recovered or its journal rolled back, which the header has shown it ours to have done.
bool HasStoreTables(sqlite::Database& db) {
    db.WaitWhenBusy(kBusyTimeoutMs);
    return db.HasTable("key") && db.HasTable("value");
}

// A store that may not be written is opened to be read only. Unless a writer's log is
// beside it, nothing can change it meanwhile, and SQLite is told so: it then needs no
// -shm or -wal file, which it could not make there, and leaves none behind.
Connection OpenReadOnly(const std::string& path) {
    Connection db = Connect(path, HasWriteAheadLog(path) ? sqlite::Database::Mode::ReadOnly
                                                         : sqlite::Database::Mode::Immutable);
    if (!HasStoreTables(*db)) Refuse(path, "its tables are missing");
    return db;
}

// One connection serves the check and the store: the tables are looked for before
// anything is configured, so that a file refused is never written, not even switched to
// write-ahead logging, nor has a log copied into it when the connection closes.
Connection OpenReadWrite(const std::string& path) {
    Connection db = Connect(path, sqlite::Database::Mode::ReadWrite);
    if (!HasStoreTables(*db)) {
        db->KeepLogOnClose();
        Refuse(path, "its tables are missing");
    }
    db->Execute("PRAGMA journal_mode = WAL");
    db->Execute("PRAGMA synchronous = NORMAL");
    return db;
}

}  // namespace

std::string WhyReadOnly(const std::string& path) {
    const std::string folder = FolderOf(path);
    auto because = [](const char* what) {
        return errno == EROFS ? std::string("it is on a disk that may only be read")
                              : std::string("you may not write to ") + what;
    };
    if (access(path.c_str(), W_OK) != 0 && errno != ENOENT) return because("the file");
    if (access(folder.c_str(), W_OK | X_OK) != 0) return because("its folder");
    return {};
}

std::unique_ptr<sqlite::Database> OpenStoreFile(const std::string& path,
                                                const platform::InitialContentsSource& contents) {
    RemoveAbandonedBuilds(path);
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            Refuse(path, std::string("it cannot be reached (") + std::strerror(errno) + ")");
        }
        std::error_code ignored;
        std::filesystem::create_directories(FolderOf(path), ignored);
        CreateStoreFile(path, contents);
    } else if (!S_ISREG(info.st_mode)) {
        Refuse(path, "it is not a regular file");
    }
    CheckHeader(path);
    try {
        return WhyReadOnly(path).empty() ? OpenReadWrite(path) : OpenReadOnly(path);
    } catch (const sqlite::Error& error) {
        Refuse(path, ReasonOf(error));
    }
}

}  // namespace store
