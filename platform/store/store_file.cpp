#include "store_file.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "hive.h"
#include "key_path.h"
#include "platform/posix/utf8.h"
#include "platform/win_types.h"

namespace store {
namespace {

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

// Checks the file's header before SQLite is let near it, so that a foreign or truncated
// file is refused without being touched.
void CheckHeader(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) Refuse(path, std::string("it cannot be read (") + std::strerror(errno) + ")");
    std::array<unsigned char, 100> header{};
    file.read(reinterpret_cast<char*>(header.data()), header.size());
    const auto got = file.gcount();
    if (got == 0) Refuse(path, "the file is empty");
    if (got < 16 || std::memcmp(header.data(), "SQLite format 3", 16) != 0) {
        Refuse(path, "it is not a registry store");
    }
    if (got < static_cast<std::streamsize>(header.size())) Refuse(path, "the file is truncated");
    if (BigEndian(&header[68], 4) != kApplicationId) Refuse(path, "it is not a registry store");
    const std::uint32_t version = BigEndian(&header[60], 4);
    if (version != kSchemaVersion) {
        Refuse(path, "its format " + std::to_string(version) + " is not known to this program");
    }
    std::uint64_t pageSize = BigEndian(&header[16], 2);
    if (pageSize == 1) pageSize = 65536;
    const std::uint32_t pages = BigEndian(&header[28], 4);
    // The page count is only trustworthy while its change counter matches.
    const bool countValid = BigEndian(&header[24], 4) == BigEndian(&header[92], 4);
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (countValid && !error && size < pageSize * pages) {
        Refuse(path, "the file is truncated (" + std::to_string(size) + " of " +
                         std::to_string(pageSize * pages) + " bytes)");
    }
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

// Builds the store in a private file, then links it into place: a crash leaves either
// no store or a whole one, and a store another process made meanwhile wins.
void CreateStoreFile(const std::string& path) {
    const std::filesystem::path target(path);
    std::error_code ignored;
    if (target.has_parent_path()) {
        std::filesystem::create_directories(target.parent_path(), ignored);
    }
    std::string temporary = path + ".new-XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) Refuse(path, std::string("it cannot be created (") + std::strerror(errno) + ")");
    fchmod(fd, S_IRUSR | S_IWUSR);
    close(fd);
    try {
        sqlite::Database db(temporary, sqlite::Database::Mode::ReadWrite);
        Configure(db);
        sqlite::Transaction transaction(db);
        SeedNewStore(db);
        transaction.Commit();
    } catch (const sqlite::Error& error) {
        unlink(temporary.c_str());
        Refuse(path, std::string("it cannot be created (") + error.what() + ")");
    }
    const bool linked = link(temporary.c_str(), path.c_str()) == 0;
    const int linkError = errno;
    unlink(temporary.c_str());
    if (!linked && linkError != EEXIST) {
        Refuse(path, std::string("it cannot be created (") + std::strerror(linkError) + ")");
    }
}

std::vector<std::uint8_t> StringData(const std::u16string& text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.c_str());
    return {bytes, bytes + (text.size() + 1) * sizeof(char16_t)};
}

KeyId CreatePath(Hive& hive, KeyId from, std::u16string_view path) {
    const auto parts = SplitKeyPath(path);
    for (const auto part : *parts) {
        const auto existing = hive.FindChild(from, part);
        from = existing ? *existing : hive.CreateChild(from, part);
    }
    return from;
}

}  // namespace

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
    const KeyId version = CreatePath(hive, machine, u"Software\\Microsoft\\Windows\\CurrentVersion");
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
        sqlite::Database db(path, sqlite::Database::Mode::ReadWrite);
        Configure(db);
        if (db.QueryInt("SELECT count(*) FROM sqlite_schema WHERE name IN ('key', 'value')") != 2) {
            Refuse(path, "its tables are missing");
        }
        return db;
    } catch (const sqlite::Error& error) {
        Refuse(path, error.what());
    }
}

}  // namespace store
