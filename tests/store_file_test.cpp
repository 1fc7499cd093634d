// The store's file: where it lives, how it is created, what is refused and left alone, and
// what several processes, or a killed one, leave behind.
#include "platform/store/store_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "platform/store/registry_store.h"
#include "platform/store/store_location.h"
#include "read_only_mount.h"
#include "temp_dir.h"
#include "tools/regtool/commands.h"

using namespace platform;
using store::RegistryStore;

namespace {

const Hkey kMachine = RootKey(kHkeyLocalMachine);

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

void WriteAll(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

Long SetText(RegistryApi& registry, Hkey key, const std::string& name, const std::string& text) {
    return registry.RegSetValueExA(key, name.c_str(), 0, kRegSz,
                                   reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                   static_cast<Dword>(text.size() + 1));
}

std::string GetText(RegistryApi& registry, Hkey key, const std::string& name) {
    char buffer[256] = {};
    Dword size = sizeof buffer - 1;
    if (registry.RegQueryValueExA(key, name.c_str(), nullptr, nullptr,
                                  reinterpret_cast<std::uint8_t*>(buffer),
                                  &size) != kErrorSuccess) {
        return "<missing>";
    }
    return buffer;
}

Hkey CreateKey(RegistryApi& registry, const char* path) {
    Hkey key = kNullKey;
    EXPECT_EQ(registry.RegCreateKeyExA(kMachine, path, 0, nullptr, 0, kKeyAllAccess, nullptr, &key,
                                       nullptr),
              kErrorSuccess);
    return key;
}

std::string IntegrityOf(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr);
    std::string result = "<no answer>";
    if (sqlite3_step(statement) == SQLITE_ROW) {
        result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

class StoreFile : public ::testing::Test {
protected:
    testing_support::TempDir dir;
    std::string path = dir.File("registry.db");

    // A store that must be refused: it names the file, fails every call with ERROR_BADDB,
    // and leaves the file byte for byte as it was.
    void ExpectRefused(const std::string& reason) {
        const std::string before = ReadAll(path);
        {
            RegistryStore registry(path);
            ASSERT_TRUE(registry.Problem().has_value());
            EXPECT_NE(registry.Problem()->find(path), std::string::npos);
            EXPECT_NE(registry.Problem()->find(reason), std::string::npos) << *registry.Problem();
            Hkey key = kNullKey;
            EXPECT_EQ(registry.RegOpenKeyExA(kMachine, "Software", 0, kKeyAllAccess, &key),
                      kErrorBadDb);
            EXPECT_EQ(SetText(registry, kMachine, "v", "x"), kErrorBadDb);
        }
        EXPECT_EQ(ReadAll(path), before);
    }
};

}  // namespace

TEST_F(StoreFile, ANewStoreIsPrivateToItsOwnerAndKeepsWhatIsWritten) {
    {
        RegistryStore registry(path);
        ASSERT_FALSE(registry.Problem());
        EXPECT_EQ(SetText(registry, CreateKey(registry, "Software\\Kept"), "Name", "value"),
                  kErrorSuccess);
    }
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    RegistryStore reopened(path);
    ASSERT_FALSE(reopened.Problem());
    Hkey key = kNullKey;
    ASSERT_EQ(reopened.RegOpenKeyExA(kMachine, "software\\kept", 0, kKeyAllAccess, &key),
              kErrorSuccess);
    EXPECT_EQ(GetText(reopened, key, "name"), "value");
    EXPECT_EQ(IntegrityOf(path), "ok");
}

TEST_F(StoreFile, WhatANewStoreHoldsIsAskedForOnlyWhenOneIsMade) {
    int asked = 0;
    const InitialContentsSource contents = [&asked] {
        ++asked;
        return InitialContents{{kHkeyLocalMachine, u"Software\\Seeded", {{u"Owner", u"Ann"}}}};
    };
    {
        RegistryStore made(path, contents);
        ASSERT_FALSE(made.Problem());
        EXPECT_EQ(asked, 1);
        Hkey key = kNullKey;
        ASSERT_EQ(made.RegOpenKeyExA(kMachine, "Software\\Seeded", 0, kKeyAllAccess, &key),
                  kErrorSuccess);
        EXPECT_EQ(GetText(made, key, "Owner"), "Ann");
        made.RegCloseKey(key);
    }
    RegistryStore reopened(path, contents);
    ASSERT_FALSE(reopened.Problem());
    EXPECT_EQ(asked, 1) << "a store that exists is opened without asking what a new one holds";
}

TEST_F(StoreFile, DynamicDataLivesOnlyAsLongAsTheStoreIsOpen) {
    {
        RegistryStore registry(path);
        Hkey key = kNullKey;
        ASSERT_EQ(registry.RegCreateKeyExA(RootKey(kHkeyDynData), "Live", 0, nullptr, 0,
                                           kKeyAllAccess, nullptr, &key, nullptr),
                  kErrorSuccess);
    }
    RegistryStore reopened(path);
    Hkey key = kNullKey;
    EXPECT_EQ(reopened.RegOpenKeyExA(RootKey(kHkeyDynData), "Live", 0, kKeyAllAccess, &key),
              kErrorFileNotFound);
}

TEST_F(StoreFile, AForeignFileIsRefusedAndLeftUnchanged) {
    WriteAll(path, "These are somebody's notes, not a registry.\n");
    ExpectRefused("not a registry store");
}

TEST_F(StoreFile, AnEmptyFileIsRefused) {
    WriteAll(path, "");
    ExpectRefused("empty");
}

TEST_F(StoreFile, AnotherProgramsDatabaseIsRefused) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "CREATE TABLE notes (text); INSERT INTO notes VALUES ('mine');", nullptr,
                 nullptr, nullptr);
    sqlite3_close(db);
    ExpectRefused("not a registry store");
}

TEST_F(StoreFile, ATruncatedStoreIsRefusedAndLeftUnchanged) {
    {
        RegistryStore registry(path);
        const Hkey key = CreateKey(registry, "Software\\Bulk");
        for (int i = 0; i < 300; ++i) {
            SetText(registry, key, "v" + std::to_string(i), std::string(100, 'x'));
        }
    }
    const std::string whole = ReadAll(path);
    ASSERT_GT(whole.size(), 8192u);
    WriteAll(path, whole.substr(0, whole.size() / 2));
    ExpectRefused("truncated");
    // Cut inside the header itself: the magic is there, the rest of the header is not.
    WriteAll(path, whole.substr(0, 60));
    ExpectRefused("truncated");
}

TEST_F(StoreFile, ADirectoryIsNoStore) {
    std::filesystem::create_directory(path);
    RegistryStore registry(path);
    ASSERT_TRUE(registry.Problem());
    EXPECT_NE(registry.Problem()->find("not a regular file"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(path));
}

TEST_F(StoreFile, TheDefaultLocationFollowsTheEnvironment) {
    const char* saved[] = {std::getenv("VANTREL_REGISTRY"), std::getenv("XDG_DATA_HOME"),
                           std::getenv("HOME")};
    const std::string keep[] = {saved[0] ? saved[0] : "", saved[1] ? saved[1] : "",
                                saved[2] ? saved[2] : ""};
    unsetenv("VANTREL_REGISTRY");
    setenv("XDG_DATA_HOME", "/data", 1);
    EXPECT_EQ(store::DefaultStorePath(), "/data/vantrel/registry.db");
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(store::DefaultStorePath(), "/home/someone/.local/share/vantrel/registry.db");
    setenv("VANTREL_REGISTRY", "/elsewhere/r.db", 1);
    EXPECT_EQ(store::DefaultStorePath(), "/elsewhere/r.db");
    const char* names[] = {"VANTREL_REGISTRY", "XDG_DATA_HOME", "HOME"};
    for (int i = 0; i < 3; ++i) {
        if (saved[i]) {
            setenv(names[i], keep[i].c_str(), 1);
        } else {
            unsetenv(names[i]);
        }
    }
}

TEST_F(StoreFile, TheStoreIsCreatedWithTheFoldersAboveIt) {
    const std::string nested = dir.File("a/b/registry.db");
    RegistryStore registry(nested);
    EXPECT_FALSE(registry.Problem());
    EXPECT_TRUE(std::filesystem::exists(nested));
}

TEST_F(StoreFile, TwoProcessesWritingOneStoreLoseNothing) {
    { RegistryStore create(path); }
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            RegistryStore registry(path);
            const Hkey key = CreateKey(registry, "Software\\Shared");
            int failures = 0;
            for (int i = 0; i < 200; ++i) {
                const std::string name = "p" + std::to_string(child) + "-" + std::to_string(i);
                failures += SetText(registry, key, name, name) != kErrorSuccess;
            }
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (const pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    RegistryStore registry(path);
    Hkey key = CreateKey(registry, "Software\\Shared");
    Dword values = 0;
    ASSERT_EQ(registry.RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                        &values, nullptr, nullptr, nullptr, nullptr),
              kErrorSuccess);
    EXPECT_EQ(values, 400u);
}

TEST_F(StoreFile, AWriterKilledMidStreamLeavesASoundStoreWithEveryAcknowledgedWrite) {
    { RegistryStore create(path); }
    int acks[2];
    ASSERT_EQ(pipe(acks), 0);
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        close(acks[0]);
        RegistryStore registry(path);
        const Hkey key = CreateKey(registry, "Software\\Stream");
        for (int i = 0;; ++i) {
            if (SetText(registry, key, "v" + std::to_string(i), std::to_string(i)) !=
                kErrorSuccess) {
                _exit(1);
            }
            if (write(acks[1], &i, sizeof i) != sizeof i) _exit(2);
        }
    }
    close(acks[1]);
    int last = -1;
    while (last < 500 && read(acks[0], &last, sizeof last) == sizeof last) {
    }
    kill(writer, SIGKILL);
    // Writes acknowledged while the signal was on its way count too.
    int more = 0;
    while (read(acks[0], &more, sizeof more) == sizeof more) last = more;
    close(acks[0]);
    waitpid(writer, nullptr, 0);
    ASSERT_GE(last, 500);

    EXPECT_EQ(IntegrityOf(path), "ok");
    RegistryStore registry(path);
    ASSERT_FALSE(registry.Problem());
    const Hkey key = CreateKey(registry, "Software\\Stream");
    for (int i = 0; i <= last; ++i) {
        ASSERT_EQ(GetText(registry, key, "v" + std::to_string(i)), std::to_string(i));
    }
}

TEST_F(StoreFile, ABatchTakesEffectWholeOrNotAtAll) {
    RegistryStore registry(path);
    const Hkey key = CreateKey(registry, "Software\\Batch");
    {
        auto dropped = registry.BeginBatch();
        ASSERT_TRUE(dropped);
        EXPECT_EQ(SetText(registry, key, "a", "1"), kErrorSuccess);
        EXPECT_EQ(GetText(registry, key, "a"), "1");
    }
    EXPECT_EQ(GetText(registry, key, "a"), "<missing>");
    auto batch = registry.BeginBatch();
    ASSERT_TRUE(batch);
    EXPECT_EQ(SetText(registry, key, "a", "1"), kErrorSuccess);
    EXPECT_EQ(registry.RegDeleteValueA(key, "missing"), kErrorFileNotFound);  // fails alone
    EXPECT_EQ(SetText(registry, key, "b", "2"), kErrorSuccess);
    EXPECT_TRUE(batch->Commit());
    RegistryStore other(path);
    const Hkey seen = CreateKey(other, "Software\\Batch");
    EXPECT_EQ(GetText(other, seen, "a"), "1");
    EXPECT_EQ(GetText(other, seen, "b"), "2");
}

namespace {

// Runs SQL on the store's file through a connection of its own.
class RawConnection {
public:
    explicit RawConnection(const std::string& path) { sqlite3_open(path.c_str(), &db_); }
    ~RawConnection() { sqlite3_close(db_); }
    int Execute(const std::string& sql) {
        return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    }

private:
    sqlite3* db_ = nullptr;
};

void PatchBigEndian(const std::string& path, long offset, std::uint32_t value) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    const char bytes[4] = {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                           static_cast<char>(value >> 8), static_cast<char>(value)};
    file.seekp(offset);
    file.write(bytes, 4);
}

}  // namespace

// A checkpoint writes page 1, with the grown page count, before the pages that extend the
// file; a writer killed there, or a full disk, leaves that state with the log beside it.
TEST_F(StoreFile, AStoreWhoseCheckpointStoppedHalfwayOpensFromItsLog) {
    { RegistryStore create(path); }
    RawConnection writer(path);
    // A connection that has read the store keeps its log from being folded in on close.
    ASSERT_EQ(writer.Execute("SELECT count(*) FROM key"), SQLITE_OK);
    {
        RegistryStore registry(path);
        const Hkey key = CreateKey(registry, "Software\\Grown");
        for (int i = 0; i < 400; ++i) {
            ASSERT_EQ(SetText(registry, key, "v" + std::to_string(i), std::string(200, 'g')),
                      kErrorSuccess);
        }
    }
    // The writer's connection keeps the log, which now holds every page written.
    ASSERT_TRUE(std::filesystem::exists(path + "-wal"));
    const auto pages = std::filesystem::file_size(path) / 4096;
    PatchBigEndian(path, 28, static_cast<std::uint32_t>(pages + 40));

    RegistryStore reopened(path);
    ASSERT_FALSE(reopened.Problem()) << *reopened.Problem();
    Hkey key = kNullKey;
    ASSERT_EQ(reopened.RegOpenKeyExA(kMachine, "Software\\Grown", 0, kKeyAllAccess, &key),
              kErrorSuccess);
    EXPECT_EQ(GetText(reopened, key, "v399"), std::string(200, 'g'));
}

TEST_F(StoreFile, AForeignDatabaseCarryingOurIdIsRefusedUnwritten) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db,
                 "PRAGMA application_id = 1448232263; PRAGMA user_version = 1;"
                 "CREATE TABLE notes (text); INSERT INTO notes VALUES ('mine');",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ExpectRefused("its tables are missing");
    EXPECT_FALSE(std::filesystem::exists(path + "-wal"));
}

TEST_F(StoreFile, AForeignDatabaseWithOurIdAndALogIsRefusedWithItsLogLeftUncopied) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "PRAGMA application_id = 1448232263; PRAGMA user_version = 1;", nullptr,
                 nullptr, nullptr);
    // Its last changes stay in the log, as a writer killed before a checkpoint leaves them.
    sqlite3_exec(db,
                 "PRAGMA journal_mode = WAL; CREATE TABLE notes (text);"
                 "INSERT INTO notes VALUES ('mine');",
                 nullptr, nullptr, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close(db);
    const std::string log = ReadAll(path + "-wal");
    ASSERT_FALSE(log.empty());
    ExpectRefused("its tables are missing");
    EXPECT_EQ(ReadAll(path + "-wal"), log);
}

TEST(StoreLocation, TheFolderOfAFileIsWhatComesBeforeItsLastSlash) {
    EXPECT_EQ(store::FolderOf("/home/ada/.local/share/vantrel/registry.db"),
              "/home/ada/.local/share/vantrel");
    EXPECT_EQ(store::FolderOf("data/registry.db"), "data");
    EXPECT_EQ(store::FolderOf("/registry.db"), "/");
    EXPECT_EQ(store::FolderOf("registry.db"), ".");
}

TEST_F(StoreFile, FilesAKilledCreationLeftAreRemovedAndNothingElse) {
    const std::string abandoned = path + ".new-Ab12Cd";
    const std::string live = path + ".new-Zz9Yy8";
    const std::string others[] = {path + ".new-short", path + ".new-ABCDEFG", path + ".old",
                                  dir.File("other.db.new-Ab12Cd")};
    WriteAll(abandoned, "half a store");
    WriteAll(abandoned + "-journal", "its journal");
    WriteAll(live, "being built");
    for (const auto& other : others) WriteAll(other, "not ours to remove");
    // A creation still running holds its file locked.
    const int held = open(live.c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);

    RegistryStore registry(path);
    EXPECT_FALSE(registry.Problem());
    EXPECT_FALSE(std::filesystem::exists(abandoned));
    EXPECT_FALSE(std::filesystem::exists(abandoned + "-journal"));
    EXPECT_TRUE(std::filesystem::exists(live));
    for (const auto& other : others) EXPECT_TRUE(std::filesystem::exists(other)) << other;
    close(held);
}

TEST_F(StoreFile, ACreationKilledAtAnyMomentLeavesNoFileBehindOnceTheNextStartIsDone) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 20; ++trial) {
        std::filesystem::remove(path);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            RegistryStore registry(path);
            _exit(0);
        }
        usleep(std::uniform_int_distribution<int>(0, 3000)(random));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        RegistryStore next(path);
        ASSERT_FALSE(next.Problem()) << *next.Problem();
        for (const auto& entry : std::filesystem::directory_iterator(dir.File(""))) {
            const std::string name = entry.path().filename().string();
            ASSERT_EQ(name.find(".new-"), std::string::npos) << name << " in trial " << trial;
        }
    }
}

// Damage inside the file is found when a read reaches it: that read fails, the rest of
// the store stays readable, and nothing more is written to the damaged file.
TEST_F(StoreFile, ADamagedStoreServesWhatCanBeReadAndRefusesWrites) {
    {
        RegistryStore registry(path);
        const Hkey key = CreateKey(registry, "Software\\Big");
        for (int i = 0; i < 300; ++i) {
            SetText(registry, key, "v" + std::to_string(i),
                    "MARK" + std::to_string(i) + "." + std::string(100, 'x'));
        }
    }
    std::string bytes = ReadAll(path);
    auto pageOf = [&](const std::string& mark) {
        std::string wide;
        for (const char c : mark) wide += std::string{c, '\0'};
        const auto at = bytes.find(wide);
        EXPECT_NE(at, std::string::npos) << mark;
        return at / 4096;
    };
    const auto damaged = pageOf("MARK150.");
    ASSERT_NE(pageOf("MARK0."), damaged);
    ASSERT_NE(pageOf("MARK299."), damaged);
    std::fill_n(bytes.begin() + static_cast<long>(damaged * 4096), 16, '\xEE');
    WriteAll(path, bytes);

    RegistryStore registry(path);
    ASSERT_FALSE(registry.Problem());
    Hkey key = kNullKey;
    ASSERT_EQ(registry.RegOpenKeyExA(kMachine, "Software\\Big", 0, kKeyAllAccess, &key),
              kErrorSuccess);
    char buffer[256];
    Dword size = sizeof buffer;
    EXPECT_EQ(registry.RegQueryValueExA(key, "v150", nullptr, nullptr,
                                        reinterpret_cast<std::uint8_t*>(buffer), &size),
              kErrorBadDb);
    ASSERT_TRUE(registry.Problem());
    EXPECT_NE(registry.Problem()->find(path), std::string::npos);
    EXPECT_NE(registry.Problem()->find("damaged"), std::string::npos);
    const std::string reported = *registry.Problem();
    EXPECT_EQ(GetText(registry, key, "v0").substr(0, 6), "MARK0.");
    EXPECT_EQ(GetText(registry, key, "v299").substr(0, 8), "MARK299.");
    EXPECT_EQ(SetText(registry, key, "v0", "changed"), kErrorBadDb);
    EXPECT_EQ(registry.RegDeleteValueA(key, "v1"), kErrorBadDb);
    EXPECT_EQ(GetText(registry, key, "v0").substr(0, 6), "MARK0.");
    EXPECT_EQ(*registry.Problem(), reported) << "reported once";
    registry.RegCloseKey(key);
    EXPECT_EQ(ReadAll(path), bytes);
}

// A store in a folder this process may not write: everything reads, every write is refused
// with ERROR_ACCESS_DENIED and a word on why, and SQLite leaves no file beside it.
TEST_F(StoreFile, AStoreInAFolderThatMayNotBeWrittenReadsAndRefusesWritesInWords) {
    const std::string folder = dir.File("shared");
    std::filesystem::create_directory(folder);
    const std::string store = folder + "/registry.db";
    {
        RegistryStore registry(store);
        ASSERT_EQ(SetText(registry, CreateKey(registry, "Software\\Shared"), "kept", "yes"),
                  kErrorSuccess);
    }
    const std::string before = ReadAll(store);
    if (const std::string why = testing_support::MakeFolderReadOnly(folder); !why.empty()) {
        GTEST_SKIP() << "cannot make a read-only folder here: " << why;
    }
    RegistryStore registry(store);
    EXPECT_FALSE(registry.Problem()) << *registry.Problem();
    Hkey key = kNullKey;
    ASSERT_EQ(registry.RegOpenKeyExA(kMachine, "Software\\Shared", 0, kKeyAllAccess, &key),
              kErrorSuccess);
    EXPECT_EQ(GetText(registry, key, "kept"), "yes");
    EXPECT_FALSE(registry.Problem()) << "reading says nothing";

    EXPECT_EQ(SetText(registry, key, "new", "no"), kErrorAccessDenied);
    EXPECT_EQ(registry.RegDeleteValueA(key, "kept"), kErrorAccessDenied);
    Hkey made = kNullKey;
    EXPECT_EQ(registry.RegCreateKeyExA(kMachine, "Software\\Made", 0, nullptr, 0, kKeyAllAccess,
                                       nullptr, &made, nullptr),
              kErrorAccessDenied);
    EXPECT_FALSE(registry.BeginBatch());
    ASSERT_TRUE(registry.Problem());
    EXPECT_NE(
        registry.Problem()->find(store + " is read-only (it is on a disk that may only be read)"),
        std::string::npos)
        << *registry.Problem();
    EXPECT_EQ(GetText(registry, key, "kept"), "yes");
    // The in-memory tree of dynamic data is no part of the file and still takes writes.
    EXPECT_EQ(SetText(registry, RootKey(kHkeyDynData), "live", "1"), kErrorSuccess);
    registry.RegCloseKey(key);

    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        EXPECT_EQ(entry.path().filename(), "registry.db") << "left behind";
    }
    EXPECT_EQ(ReadAll(store), before);
}

// A file system of its own, 1 MiB of memory, in a mount namespace of this process; the
// test is skipped where the process may not make one.
class FullDisk : public StoreFile {
protected:
    std::string small = dir.File("small");
    bool mounted = false;

    void SetUp() override {
        std::filesystem::create_directory(small);
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") != 0) {
            GTEST_SKIP() << "cannot mount a small file system here: " << std::strerror(errno);
        }
        mounted = true;
    }
    void TearDown() override {
        if (mounted) umount2(small.c_str(), MNT_DETACH);
    }
    // Fills what is left of the file system.
    void Fill() {
        std::ofstream filler(small + "/filler", std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), block.size())) {
        }
    }
};

TEST_F(FullDisk, AWriteThatDoesNotFitSaysTheDiskIsFullAndChangesNothing) {
    const std::string store = small + "/registry.db";
    RegistryStore registry(store);
    ASSERT_FALSE(registry.Problem());
    const Hkey key = CreateKey(registry, "Software\\Full");
    ASSERT_EQ(SetText(registry, key, "kept", "yes"), kErrorSuccess);
    Fill();
    const std::string big(300000, 'b');
    EXPECT_EQ(SetText(registry, key, "big", big), kErrorDiskFull);
    EXPECT_EQ(GetText(registry, key, "kept"), "yes");
    EXPECT_EQ(GetText(registry, key, "big"), "<missing>");
    EXPECT_FALSE(registry.Problem());

    // The tool says so in words.
    regtool::ToolEnvironment env{registry, nullptr, [](const std::u16string&) { return true; },
                                 {},       {},      {}};
    EXPECT_EQ(regtool::RunRegCommand({u"add", u"HKLM\\Software\\Full", u"/v", u"big", u"/d",
                                      std::u16string(300000, u'b'), u"/f"},
                                     env),
              1);
    EXPECT_EQ(env.err, u"ERROR: There is not enough space on the disk.\n");

    std::filesystem::remove(small + "/filler");
    EXPECT_EQ(SetText(registry, key, "after", "room again"), kErrorSuccess);
    EXPECT_EQ(IntegrityOf(store), "ok");
}

TEST_F(FullDisk, AFullDiskInsideABatchFailsEveryLaterChangeOfItAndTheCommit) {
    const std::string store = small + "/registry.db";
    RegistryStore registry(store);
    ASSERT_FALSE(registry.Problem());
    const Hkey key = CreateKey(registry, "Software\\Full");
    ASSERT_EQ(SetText(registry, key, "kept", "yes"), kErrorSuccess);
    {
        auto batch = registry.BeginBatch();
        ASSERT_TRUE(batch);
        EXPECT_EQ(SetText(registry, key, "first", "1"), kErrorSuccess);
        // Larger than the disk and than SQLite's cache, so that the write fails at once.
        EXPECT_EQ(SetText(registry, key, "big", std::string(3000000, 'b')), kErrorDiskFull);
        EXPECT_EQ(SetText(registry, key, "after", "2"), kErrorDiskFull);
        EXPECT_EQ(registry.RegDeleteValueA(key, "kept"), kErrorDiskFull);
        EXPECT_FALSE(batch->Commit());
    }
    EXPECT_EQ(GetText(registry, key, "kept"), "yes");
    EXPECT_EQ(SetText(registry, key, "later", "3"), kErrorSuccess);
    RegistryStore other(store);
    const Hkey seen = CreateKey(other, "Software\\Full");
    for (const char* name : {"first", "big", "after"}) {
        EXPECT_EQ(GetText(other, seen, name), "<missing>") << name;
    }
    EXPECT_EQ(GetText(other, seen, "kept"), "yes");
    EXPECT_EQ(GetText(other, seen, "later"), "3");
    EXPECT_EQ(IntegrityOf(store), "ok");
}

TEST_F(FullDisk, AStoreThatCannotBeCreatedOnAFullDiskSaysSoAndLeavesNothing) {
    Fill();
    const std::string store = small + "/registry.db";
    RegistryStore registry(store);
    ASSERT_TRUE(registry.Problem());
    EXPECT_NE(registry.Problem()->find("the disk is full"), std::string::npos)
        << *registry.Problem();
    std::filesystem::remove(small + "/filler");
    EXPECT_TRUE(std::filesystem::is_empty(small));
}

// What one connection remembers of keys and values gives way to another's writes at once.
TEST_F(StoreFile, AnotherConnectionsWritesAreSeenAtTheNextCall) {
    RegistryStore first(path), second(path);
    const Hkey mine = CreateKey(first, "Software\\Seen");
    ASSERT_EQ(SetText(first, mine, "x", "1"), kErrorSuccess);
    ASSERT_EQ(GetText(first, mine, "x"), "1");

    const Hkey theirs = CreateKey(second, "Software\\Seen");
    ASSERT_EQ(SetText(second, theirs, "x", "2"), kErrorSuccess);
    EXPECT_EQ(GetText(first, mine, "x"), "2");
    ASSERT_EQ(second.RegDeleteValueA(theirs, "x"), kErrorSuccess);
    EXPECT_EQ(GetText(first, mine, "x"), "<missing>");

    // The key made anew by the other connection is another key: the old handle sees it
    // deleted, a fresh open finds the new one.
    second.RegCloseKey(theirs);
    ASSERT_EQ(second.RegDeleteKeyA(kMachine, "Software\\Seen"), kErrorSuccess);
    const Hkey again = CreateKey(second, "Software\\Seen");
    ASSERT_EQ(SetText(second, again, "x", "3"), kErrorSuccess);
    EXPECT_EQ(SetText(first, mine, "y", "lost"), kErrorKeyDeleted);
    Hkey reopened = kNullKey;
    ASSERT_EQ(first.RegOpenKeyExA(kMachine, "Software\\Seen", 0, kKeyAllAccess, &reopened),
              kErrorSuccess);
    EXPECT_EQ(GetText(first, reopened, "x"), "3");

    // A change that rolls back leaves nothing remembered of it.
    {
        auto batch = first.BeginBatch();
        ASSERT_TRUE(batch);
        ASSERT_EQ(SetText(first, reopened, "x", "dropped"), kErrorSuccess);
        EXPECT_EQ(GetText(first, reopened, "x"), "dropped");
    }
    EXPECT_EQ(GetText(first, reopened, "x"), "3");
}

// A reading that costs no lock still sees another process's commit at the very next call,
// whatever the commit changed: a value, a value deleted, a key deleted and made anew.
TEST_F(StoreFile, AnotherProcesssCommitIsSeenByTheVeryNextRead) {
    RegistryStore registry(path);
    const Hkey key = CreateKey(registry, "Software\\Watched");
    ASSERT_EQ(SetText(registry, key, "x", "0"), kErrorSuccess);
    auto inChild = [&](auto&& change) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            RegistryStore other(path);
            _exit(change(other) ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    };
    for (int round = 1; round <= 5; ++round) {
        // Read twice, so that the second reading is served from what was remembered.
        ASSERT_EQ(GetText(registry, key, "x"), std::to_string(round - 1));
        ASSERT_EQ(GetText(registry, key, "x"), std::to_string(round - 1));
        inChild([&](RegistryStore& other) {
            const Hkey theirs = CreateKey(other, "Software\\Watched");
            return SetText(other, theirs, "x", std::to_string(round)) == kErrorSuccess;
        });
        EXPECT_EQ(GetText(registry, key, "x"), std::to_string(round)) << "round " << round;
    }
    inChild([&](RegistryStore& other) {
        const Hkey theirs = CreateKey(other, "Software\\Watched");
        return other.RegDeleteValueA(theirs, "x") == kErrorSuccess;
    });
    EXPECT_EQ(GetText(registry, key, "x"), "<missing>");
    inChild([&](RegistryStore& other) {
        return other.RegDeleteKeyA(kMachine, "Software\\Watched") == kErrorSuccess &&
               SetText(other, CreateKey(other, "Software\\Watched"), "x", "new") == kErrorSuccess;
    });
    EXPECT_EQ(SetText(registry, key, "y", "lost"), kErrorKeyDeleted);
    Hkey reopened = kNullKey;
    ASSERT_EQ(registry.RegOpenKeyExA(kMachine, "Software\\Watched", 0, kKeyAllAccess, &reopened),
              kErrorSuccess);
    EXPECT_EQ(GetText(registry, reopened, "x"), "new");
}

// A listing that another process writes into while it runs shows the store as it was when
// the listing began; the next call after it sees the write.
TEST_F(StoreFile, AListingShowsOneMomentOfTheStoreWhateverIsWrittenMeanwhile) {
    RegistryStore registry(path), writer(path);
    // Larger than the tool keeps before it hands its output on.
    ASSERT_EQ(SetText(registry, CreateKey(registry, "Software\\Moment\\A"), "a",
                      std::string(100000, 'a')),
              kErrorSuccess);
    const Hkey second = CreateKey(registry, "Software\\Moment\\B");
    ASSERT_EQ(SetText(registry, second, "b", "before"), kErrorSuccess);
    ASSERT_EQ(GetText(registry, second, "b"), "before");

    class Snapshot : public regtool::RegistrySnapshot {
    public:
        explicit Snapshot(store::StoreSnapshot held) : held_(std::move(held)) {}

    private:
        store::StoreSnapshot held_;
    };
    std::u16string shown;
    int flushes = 0;
    regtool::ToolEnvironment env{registry, nullptr, [](const std::u16string&) { return true; },
                                 {},       {},      {}};
    env.beginSnapshot = [&]() -> std::unique_ptr<regtool::RegistrySnapshot> {
        auto held = registry.BeginSnapshot();
        return held ? std::make_unique<Snapshot>(std::move(*held)) : nullptr;
    };
    env.flushOut = [&](std::u16string& out) {
        if (flushes++ == 0) {
            const Hkey theirs = CreateKey(writer, "Software\\Moment\\B");
            EXPECT_EQ(SetText(writer, theirs, "b", "after"), kErrorSuccess);
            EXPECT_EQ(SetText(writer, CreateKey(writer, "Software\\Moment\\C"), "c", "new"),
                      kErrorSuccess);
        }
        shown += out;
        out.clear();
    };
    ASSERT_EQ(regtool::RunRegCommand({u"query", u"HKLM\\Software\\Moment", u"/s"}, env), 0);
    shown += env.out;
    ASSERT_GE(flushes, 1);
    EXPECT_NE(shown.find(u"before"), std::u16string::npos);
    EXPECT_EQ(shown.find(u"after"), std::u16string::npos);
    EXPECT_EQ(shown.find(u"Moment\\C"), std::u16string::npos);

    EXPECT_EQ(GetText(registry, second, "b"), "after");
    Hkey made = kNullKey;
    EXPECT_EQ(registry.RegOpenKeyExA(kMachine, "Software\\Moment\\C", 0, kKeyAllAccess, &made),
              kErrorSuccess);
}
