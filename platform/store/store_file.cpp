#include "store_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "store_creation.h"
#include "store_header.h"

namespace store {
namespace {

// How long a call waits for another process's write before it gives up.
constexpr int kBusyTimeoutMs = 5000;

using Connection = std::unique_ptr<sqlite::Database>;

Connection Connect(const std::string& path, sqlite::Database::Mode mode) {
    return std::make_unique<sqlite::Database>(path, mode);
}

// Checks that the file holds a store's tables through a read-only connection, so that a
// file that is refused is never written, not even switched to write-ahead logging. A
// store whose writer was killed may need its log recovered or its journal rolled back,
// which a read-only connection cannot do; the header has shown it ours, so a read-write
// connection does it.
std::int64_t TablesIn(sqlite::Database& db) {
    db.Execute("PRAGMA busy_timeout = " + std::to_string(kBusyTimeoutMs));
    return db.QueryInt("SELECT count(*) FROM sqlite_schema WHERE name IN ('key', 'value')");
}

void CheckTables(const std::string& path) {
    auto tablesOf = [&](sqlite::Database::Mode mode) { return TablesIn(*Connect(path, mode)); };
    std::int64_t tables = 0;
    try {
        tables = tablesOf(sqlite::Database::Mode::ReadOnly);
    } catch (const sqlite::Error& error) {
        if (!error.IsReadOnly()) throw;
        tables = tablesOf(sqlite::Database::Mode::ReadWrite);
    }
    if (tables != 2) Refuse(path, "its tables are missing");
}

// A store that may not be written is opened to be read only. Unless a writer's log is
// beside it, nothing can change it meanwhile, and SQLite is told so: it then needs no
// -shm or -wal file, which it could not make there, and leaves none behind.
Connection OpenReadOnly(const std::string& path) {
    Connection db = Connect(path, HasWriteAheadLog(path) ? sqlite::Database::Mode::ReadOnly
                                                         : sqlite::Database::Mode::Immutable);
    if (TablesIn(*db) != 2) Refuse(path, "its tables are missing");
    return db;
}

void Configure(sqlite::Database& db) {
    db.Execute("PRAGMA busy_timeout = " + std::to_string(kBusyTimeoutMs));
    db.Execute("PRAGMA journal_mode = WAL");
    db.Execute("PRAGMA synchronous = NORMAL");
}

}  // namespace

std::string WhyReadOnly(const std::string& path) {
    const std::filesystem::path target(path);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
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
    const std::filesystem::path target(path);
    if (target.has_parent_path()) {
        std::error_code ignored;
        std::filesystem::create_directories(target.parent_path(), ignored);
    }
    RemoveAbandonedBuilds(path);
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            Refuse(path, std::string("it cannot be reached (") + std::strerror(errno) + ")");
        }
        CreateStoreFile(path, contents);
    } else if (!S_ISREG(info.st_mode)) {
        Refuse(path, "it is not a regular file");
    }
    CheckHeader(path);
    try {
        if (!WhyReadOnly(path).empty()) return OpenReadOnly(path);
        CheckTables(path);
        Connection db = Connect(path, sqlite::Database::Mode::ReadWrite);
        Configure(*db);
        return db;
    } catch (const sqlite::Error& error) {
        Refuse(path, ReasonOf(error));
    }
}

}  // namespace store
