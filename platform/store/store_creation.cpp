#include "store_creation.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>

#include "hive.h"
#include "platform/posix/unique_fd.h"
#include "platform/registry/root_map.h"
#include "store_header.h"
#include "store_location.h"
#include "store_message.h"

namespace store {
namespace {

using platform::posix::UniqueFd;

// The name of a file in which a store is being built: the store's name, ".new-" and the
// six characters mkstemp chose.
constexpr std::string_view kBuilding = ".new-";
constexpr std::size_t kBuildingSuffix = 6;

bool IsBuildingName(std::string_view name, std::string_view store) {
    if (name.size() != store.size() + kBuilding.size() + kBuildingSuffix ||
        name.substr(0, store.size()) != store ||
        name.substr(store.size(), kBuilding.size()) != kBuilding) {
        return false;
    }
    for (const char c : name.substr(store.size() + kBuilding.size())) {
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

}  // namespace

void SeedNewStore(sqlite::Database& db, const platform::InitialContents& contents) {
    db.Execute("PRAGMA application_id = " + std::to_string(kApplicationId));
    db.Execute("PRAGMA user_version = " + std::to_string(kSchemaVersion));
    Hive::CreateSchema(db);
    Hive hive(db);
    platform::PlantNewTree(hive, contents);
}

// Removes the files of our building name, ours, that no live creation holds locked, with
// the journals SQLite may have left beside them, and nothing else. The folder is read with
// readdir, at every start: std::filesystem would page in its part of the C++ library.
void RemoveAbandonedBuilds(const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string store = path.substr(path.rfind('/') + 1);
    const std::unique_ptr<DIR, int (*)(DIR*)> entries(opendir(folder.c_str()), closedir);
    if (!entries) return;
    while (const dirent* entry = readdir(entries.get())) {
        if (!IsBuildingName(entry->d_name, store)) continue;
        const std::string built = folder + "/" + entry->d_name;
        const UniqueFd file(open(built.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!file) continue;
        struct stat info {};
        if (fstat(file.Get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == getuid() &&
            flock(file.Get(), LOCK_EX | LOCK_NB) == 0) {
            // Removed while the lock is held, so that no creation can take the file over.
            for (const char* journal : {"", "-journal", "-wal", "-shm"}) {
                unlink((built + journal).c_str());
            }
        }
    }
}

// Builds the store in a private file, then links it into place: a crash leaves either
// no store or a whole one, and a store another process made meanwhile wins. The private
// file is locked while it is built, which tells a later start that it is not abandoned.
void CreateStoreFile(const std::string& path, const platform::InitialContentsSource& contents) {
    std::string temporary;
    UniqueFd file;
    while (!file) {
        temporary = path + std::string(kBuilding) + "XXXXXX";
        file.Reset(mkostemp(temporary.data(), O_CLOEXEC));
        if (!file) Refuse(path, std::string("it cannot be created (") + std::strerror(errno) + ")");
        struct stat info {};
        // A start that cleaned up between mkstemp and the lock took the file away.
        if (flock(file.Get(), LOCK_EX) != 0 || fstat(file.Get(), &info) != 0 ||
            info.st_nlink == 0) {
            file.Reset();
        }
    }
    fchmod(file.Get(), S_IRUSR | S_IWUSR);
    try {
        sqlite::Database db(temporary, sqlite::Database::Mode::ReadWrite);
        // Built without a journal file, so that a crash leaves one file to clean up; the
        // store switches to write-ahead logging when it is first opened.
        db.Execute("PRAGMA journal_mode = MEMORY");
        db.Execute("PRAGMA synchronous = FULL");
        sqlite::Transaction transaction(db);
        SeedNewStore(db, platform::ContentsOf(contents));
        transaction.Commit();
    } catch (const sqlite::Error& error) {
        unlink(temporary.c_str());
        Refuse(path, "it cannot be created (" + ReasonOf(error) + ")");
    }
    const bool linked = link(temporary.c_str(), path.c_str()) == 0;
    const int linkError = errno;
    unlink(temporary.c_str());
    file.Reset();
    if (!linked && linkError != EEXIST) {
        Refuse(path, std::string("it cannot be created (") + std::strerror(linkError) + ")");
    }
}

}  // namespace store
