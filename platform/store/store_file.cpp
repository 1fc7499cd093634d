#include "store_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "hive.h"
#include "key_path.h"
#include "platform/posix/unique_fd.h"
#include "platform/posix/utf8.h"
#include "platform/win_types.h"

namespace store {
namespace {

using platform::posix::UniqueFd;

// "VREG": marks the file as a registry store; user_version numbers its schema.
constexpr std::uint32_t kApplicationId = 0x56524547;
constexpr std::uint32_t kSchemaVersion = 1;

// How long a call waits for another process's write before it gives up.
constexpr int kBusyTimeoutMs = 5000;

std::uint32_t BigEndian(const unsigned char* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value = value << 8 | bytes[i];
    return value;
}

[[noreturn]] void Refuse(const std::string& path, const std::string& reason) {
    throw StoreRefused("The registry store " + path + " cannot be used: " + reason + ".");
}

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

// What the first 100 bytes of the file say, read before SQLite is let near it.
struct Header {
    std::array<unsigned char, 100> bytes{};
    std::size_t got = 0;
    std::uint64_t fileSize = 0;
    bool hasLog = false;

    // The size the header gives, when it can be trusted, is more than the file holds.
    bool ShortOfItsPages() const {
        // The page count is only trustworthy while its change counter matches.
        const bool countValid = BigEndian(&bytes[24], 4) == BigEndian(&bytes[92], 4);
        return countValid && fileSize < PagesSize();
    }
    std::uint64_t PagesSize() const {
        std::uint64_t pageSize = BigEndian(&bytes[16], 2);
        if (pageSize == 1) pageSize = 65536;
        return pageSize * BigEndian(&bytes[28], 4);
    }
};

// Read with plain system calls: a file stream would build the C++ locale, which the
// program needs nowhere else, and with it page in a good part of the C++ library.
Header ReadHeader(const std::string& path) {
    Header header;
    // The log is looked for first: a writer that appears meanwhile only adds a log.
    header.hasLog = Exists(path + "-wal");
    auto cannotRead = [&path] {
        Refuse(path, std::string("it cannot be read (") + std::strerror(errno) + ")");
    };
    const UniqueFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) cannotRead();
    while (header.got < header.bytes.size()) {
        const ssize_t got = pread(file.Get(), header.bytes.data() + header.got,
                                  header.bytes.size() - header.got, static_cast<off_t>(header.got));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) cannotRead();
        if (got == 0) break;
        header.got += static_cast<std::size_t>(got);
    }
    // The size is taken after the header, as a checkpoint writes page 1 before it extends
    // the file: read the other way round, a sound file could look short of its pages.
    struct stat info {};
    if (fstat(file.Get(), &info) != 0) cannotRead();
    header.fileSize = static_cast<std::uint64_t>(info.st_size);
    return header;
}

// Refuses a foreign or truncated file without touching it. While a write-ahead log is
// beside the file, the header's page count is not the truth: a checkpoint writes page 1
// before the pages that extend the file, and a crash or a full disk can stop it there;
// SQLite then reads the missing pages from the log. Only a file without a log, which no
// checkpoint is writing, is held to its page count.
void CheckHeader(const std::string& path) {
    Header header = ReadHeader(path);
    if (header.got == 0) Refuse(path, "the file is empty");
    if (header.got < 16 || std::memcmp(header.bytes.data(), "SQLite format 3", 16) != 0) {
        Refuse(path, "it is not a registry store");
    }
    if (header.got < header.bytes.size()) {
        Refuse(path, "the file is truncated");
    }
    if (BigEndian(&header.bytes[68], 4) != kApplicationId)
        Refuse(path, "it is not a registry store");
    const std::uint32_t version = BigEndian(&header.bytes[60], 4);
    if (version != kSchemaVersion) {
        Refuse(path, "its format " + std::to_string(version) + " is not known to this program");
    }
    // A process that opened the store between our look for the log and our read of the
    // header shows on a second look.
    for (int attempt = 0; attempt < 3 && !header.hasLog && header.ShortOfItsPages(); ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        header = ReadHeader(path);
    }
    if (!header.hasLog && header.ShortOfItsPages()) {
        Refuse(path, "the file is truncated (" + std::to_string(header.fileSize) + " of " +
                         std::to_string(header.PagesSize()) + " bytes)");
    }
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
    auto tablesOf = [&](sqlite::Database::Mode mode) {
        sqlite::Database probe(path, mode);
        return TablesIn(probe);
    };
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
sqlite::Database OpenReadOnly(const std::string& path) {
    const bool hasLog = Exists(path + "-wal");
    sqlite::Database db(
        path, hasLog ? sqlite::Database::Mode::ReadOnly : sqlite::Database::Mode::Immutable);
    if (TablesIn(db) != 2) Refuse(path, "its tables are missing");
    return db;
}

std::string Reason(const sqlite::Error& error) {
    return error.IsDiskFull() ? "the disk is full" : error.what();
}

void Configure(sqlite::Database& db) {
    db.Execute("PRAGMA busy_timeout = " + std::to_string(kBusyTimeoutMs));
    db.Execute("PRAGMA journal_mode = WAL");
    db.Execute("PRAGMA synchronous = NORMAL");
}

std::u16string OwnerName() {
    if (const passwd* account = getpwuid(getuid())) {
        const std::string gecos = account->pw_gecos ? account->pw_gecos : "";
        const std::string fullName = gecos.substr(0, gecos.find(','));
        return platform::posix::Utf8ToUtf16(fullName.empty() ? account->pw_name : fullName);
    }
    const char* user = std::getenv("USER");
    return user ? platform::posix::Utf8ToUtf16(user) : std::u16string();
}

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

// Removes the files that a creation killed before it finished left beside the store,
// and nothing else: a file of our building name, ours, that no live creation holds
// locked, with the journals SQLite may have left beside it.
void RemoveAbandonedBuilds(const std::filesystem::path& target) {
    const std::string store = target.filename().string();
    const auto folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (!IsBuildingName(name, store)) continue;
        const UniqueFd file(open(entry.path().c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!file) continue;
        struct stat info {};
        if (fstat(file.Get(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == getuid() &&
            flock(file.Get(), LOCK_EX | LOCK_NB) == 0) {
            // Removed while the lock is held, so that no creation can take the file over.
            for (const char* journal : {"", "-journal", "-wal", "-shm"}) {
                unlink((entry.path().string() + journal).c_str());
            }
        }
    }
}

// Builds the store in a private file, then links it into place: a crash leaves either
// no store or a whole one, and a store another process made meanwhile wins. The private
// file is locked while it is built, which tells a later start that it is not abandoned.
void CreateStoreFile(const std::string& path) {
    std::string temporary;
    UniqueFd file;
    while (!file) {
        temporary = path + std::string(kBuilding) + "XXXXXX";
        file.Reset(mkostemp(temporary.data(), O_CLOEXEC));
        if (!file)
            Refuse(path, std::string("it cannot be created (") + std::strerror(errno) + ")");
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
        SeedNewStore(db);
        transaction.Commit();
    } catch (const sqlite::Error& error) {
        unlink(temporary.c_str());
        Refuse(path, "it cannot be created (" + Reason(error) + ")");
    }
    const bool linked = link(temporary.c_str(), path.c_str()) == 0;
    const int linkError = errno;
    unlink(temporary.c_str());
    file.Reset();
    if (!linked && linkError != EEXIST) {
        Refuse(path, std::string("it cannot be created (") + std::strerror(linkError) + ")");
    }
}

std::vector<std::uint8_t> StringData(const std::u16string& text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.c_str());
    return {bytes, bytes + (text.size() + 1) * sizeof(char16_t)};
}

KeyId CreatePath(Hive& hive, KeyId from, std::u16string_view path) {
    return hive.WalkCreating(from, *SplitKeyPath(path));
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

std::string DefaultStorePath() {
    if (const char* named = std::getenv("VANTREL_REGISTRY"); named && *named) return named;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) {
        return std::string(data) + "/vantrel/registry.db";
    }
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        const passwd* account = getpwuid(getuid());
        home = account ? account->pw_dir : ".";
    }
    return std::string(home) + "/.local/share/vantrel/registry.db";
}

void SeedNewStore(sqlite::Database& db) {
    db.Execute("PRAGMA application_id = " + std::to_string(kApplicationId));
    db.Execute("PRAGMA user_version = " + std::to_string(kSchemaVersion));
    Hive::CreateSchema(db);
    Hive hive(db);
    const KeyId machine = hive.CreateTop(u"HKEY_LOCAL_MACHINE");
    const KeyId users = hive.CreateTop(u"HKEY_USERS");
    const std::u16string owner = OwnerName();
    auto setString = [&](KeyId key, std::u16string_view name, const std::u16string& text) {
        const auto data = StringData(text);
        hive.SetValue(key, name, platform::kRegSz, data.data(), data.size());
    };
    const KeyId version =
        CreatePath(hive, machine, u"Software\\Microsoft\\Windows\\CurrentVersion");
    setString(version, u"RegisteredOwner", owner);
    setString(version, u"RegisteredOrganization", u"");
    setString(version, u"ProductId", u"");
    setString(version, u"ProductKey", u"");
    CreatePath(hive, machine, u"Software\\Classes");
    CreatePath(hive, machine, u"System\\CurrentControlSet\\Hardware Profiles\\Current");
    const KeyId setup =
        CreatePath(hive, users, u".Default\\Software\\Microsoft\\MS Setup (ACME)\\User Info");
    setString(setup, u"DefName", owner);
    setString(setup, u"DefCompany", u"");
}

sqlite::Database OpenStoreFile(const std::string& path) {
    const std::filesystem::path target(path);
    if (target.has_parent_path()) {
        std::error_code ignored;
        std::filesystem::create_directories(target.parent_path(), ignored);
    }
    RemoveAbandonedBuilds(target);
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        if (errno != ENOENT) {
            Refuse(path, std::string("it cannot be reached (") + std::strerror(errno) + ")");
        }
        CreateStoreFile(path);
    } else if (!S_ISREG(info.st_mode)) {
        Refuse(path, "it is not a regular file");
    }
    CheckHeader(path);
    try {
        if (!WhyReadOnly(path).empty()) return OpenReadOnly(path);
        CheckTables(path);
        sqlite::Database db(path, sqlite::Database::Mode::ReadWrite);
        Configure(db);
        return db;
    } catch (const sqlite::Error& error) {
        Refuse(path, Reason(error));
    }
}

}  // namespace store
