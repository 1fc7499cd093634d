// The SQLite wrapper: statements, the control statements behind transactions, the row id
// of an insert, and the kinds of failure the store tells apart.
#include "platform/store/sqlite.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "temp_dir.h"

using store::sqlite::Database;
using store::sqlite::Error;
using store::sqlite::Statement;
using store::sqlite::Transaction;

namespace {

// Statements hold a reference to their connection, which must therefore stay put.
static_assert(!std::is_move_constructible_v<Database>);
static_assert(!std::is_copy_constructible_v<Database>);

class Sqlite : public ::testing::Test {
protected:
    Database db{":memory:", Database::Mode::Memory};

    void SetUp() override { db.Execute("CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT)"); }

    std::int64_t Insert(std::u16string_view text) {
        Statement insert(db, "INSERT INTO t (v) VALUES (?1)");
        insert.Bind(1, text).Run();
        return db.LastInsertRowId();
    }
};

}  // namespace

TEST_F(Sqlite, AnInsertTellsTheRowIdItGave) {
    EXPECT_EQ(Insert(u"a"), 1);
    EXPECT_EQ(Insert(u"b"), 2);
    Statement select(db, "SELECT v FROM t WHERE id = ?1");
    ASSERT_TRUE(select.Bind(1, std::int64_t{2}).Step());
    EXPECT_EQ(select.Text(0), u"b");
}

// A statement reused for texts of every kind and length stores each as it was bound, and
// a blob bound without a copy is read back whole, the empty one as empty and not NULL.
TEST_F(Sqlite, EachUseOfAStatementStoresTheTextAndBytesBoundToIt) {
    db.Execute("CREATE TABLE pairs (a TEXT, b TEXT, data BLOB)");
    Statement insert(db, "INSERT INTO pairs (a, b, data) VALUES (?1, ?2, ?3)");
    const std::vector<std::pair<std::u16string, std::u16string>> texts = {
        {u"a rather long ASCII name", u"SHORT"},
        {u"x", u"Caf\u00E9 \u65E5\u672C \U0001F600"},
        {u"", u"back to ASCII"},
    };
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::vector<std::uint8_t> bytes(i * 3, static_cast<std::uint8_t>(i + 1));
        insert.Bind(1, texts[i].first).Bind(2, texts[i].second).BindBlob(3, bytes.data(),
                                                                          bytes.size());
        insert.Run();
    }
    Statement select(db, "SELECT a, b, data, typeof(data) FROM pairs ORDER BY rowid");
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_TRUE(select.Step());
        EXPECT_EQ(select.Text(0), texts[i].first);
        EXPECT_EQ(select.Text(1), texts[i].second);
        EXPECT_EQ(select.Blob(2), std::vector<std::uint8_t>(i * 3, static_cast<std::uint8_t>(i + 1)));
        EXPECT_EQ(select.Text(3), u"blob");
    }
    EXPECT_FALSE(select.Step());
    select.Reset();
    // Both ways of binding give the bytes SQLite itself would store.
    EXPECT_EQ(db.QueryInt("SELECT count(*) FROM pairs WHERE b = 'Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC "
                          "\xF0\x9F\x98\x80' AND a = 'x'"),
              1);
}

TEST_F(Sqlite, ATransactionRollsBackUnlessCommittedAndNestsAsASavepoint) {
    {
        Transaction outer(db);
        EXPECT_TRUE(db.InTransaction());
        Insert(u"kept");
        {
            Transaction inner(db);
            Insert(u"dropped");
        }
        outer.Commit();
    }
    EXPECT_FALSE(db.InTransaction());
    EXPECT_EQ(db.QueryInt("SELECT count(*) FROM t"), 1);
    {
        Transaction dropped(db);
        Insert(u"gone");
    }
    EXPECT_EQ(db.QueryInt("SELECT count(*) FROM t"), 1);
}

TEST_F(Sqlite, ARollbackStartsANewEpoch) {
    const auto before = db.Epoch();
    { Transaction dropped(db); }
    EXPECT_NE(db.Epoch(), before);
}

TEST_F(Sqlite, AFailedStatementThrowsItsCodeAndSQLitesMessage) {
    Insert(u"a");
    Statement duplicate(db, "INSERT INTO t (id, v) VALUES (1, 'again')");
    try {
        duplicate.Run();
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_EQ(error.Code() & 0xFF, 19);  // SQLITE_CONSTRAINT
        EXPECT_NE(std::string(error.what()).find("UNIQUE"), std::string::npos) << error.what();
        EXPECT_FALSE(error.IsCorruption());
        EXPECT_FALSE(error.IsDenied());
        EXPECT_FALSE(error.IsDiskFull());
    }
}

// A change inside a transaction goes without a savepoint of its own, so what SQLite does
// with the transaction when a statement fails is what the batch is left with.
TEST_F(Sqlite, AStatementThatBreaksAConstraintIsUndoneAloneAndTheTransactionGoesOn) {
    {
        Transaction transaction(db);
        Insert(u"first");
        Statement duplicate(db, "INSERT INTO t (id, v) VALUES (1, 'again')");
        EXPECT_THROW(duplicate.Run(), Error);
        EXPECT_TRUE(db.InTransaction());
        Insert(u"second");
        transaction.Commit();
    }
    Statement all(db, "SELECT group_concat(v, ',') FROM t");
    ASSERT_TRUE(all.Step());
    EXPECT_EQ(all.Text(0), u"first,second");
}

TEST_F(Sqlite, AFailureThatRolledBackTheTransactionStopsEveryStatementUntilItEnds) {
    Insert(u"committed");
    db.Execute("PRAGMA max_page_count = " + std::to_string(db.QueryInt("PRAGMA page_count") + 2));
    {
        Transaction outer(db);
        Insert(u"inside");
        Transaction inner(db);
        const auto epoch = db.Epoch();
        try {
            Insert(std::u16string(20000, u'x'));
            FAIL() << "no error";
        } catch (const Error& error) {
            EXPECT_TRUE(error.IsDiskFull()) << error.what();
        }
        ASSERT_FALSE(db.InTransaction()) << "this SQLite kept the transaction";
        EXPECT_NE(db.Epoch(), epoch);
        // Run now, a statement would take effect alone, as if the transaction were whole.
        try {
            Insert(u"after");
            FAIL() << "no error";
        } catch (const Error& error) {
            EXPECT_TRUE(error.IsDiskFull()) << error.what();
            EXPECT_NE(std::string(error.what()).find("rolled back"), std::string::npos)
                << error.what();
        }
        EXPECT_THROW(Transaction another(db), Error);
        EXPECT_THROW(inner.Commit(), Error);
        EXPECT_THROW(outer.Commit(), Error);
    }
    // Once the transaction is over the connection works again.
    EXPECT_EQ(db.QueryInt("SELECT count(*) FROM t"), 1);
    Insert(u"later");
    EXPECT_EQ(db.QueryInt("SELECT count(*) FROM t"), 2);
}

TEST(SqliteFile, AFileThatIsNoDatabaseIsCorruptionAndAReadOnlyWriteIsDenied) {
    testing_support::TempDir dir;
    const std::string foreign = dir.File("foreign.db");
    std::ofstream(foreign) << std::string(4096, 'x');
    try {
        Database db(foreign, Database::Mode::ReadOnly);
        db.QueryInt("SELECT count(*) FROM sqlite_schema");
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_TRUE(error.IsCorruption()) << error.what();
    }
    const std::string sound = dir.File("sound.db");
    { Database(sound, Database::Mode::Create).Execute("CREATE TABLE t (v)"); }
    Database reader(sound, Database::Mode::ReadOnly);
    EXPECT_TRUE(reader.IsReadOnly());
    try {
        reader.Execute("INSERT INTO t VALUES (1)");
        FAIL() << "no error";
    } catch (const Error& error) {
        EXPECT_TRUE(error.IsReadOnly()) << error.what();
        EXPECT_TRUE(error.IsDenied());
        EXPECT_FALSE(error.IsCorruption());
    }
}

// Two connections to one file in write-ahead-log mode, as two processes of the store have.
class SqliteLog : public ::testing::Test {
protected:
    testing_support::TempDir dir;
    std::string path = dir.File("log.db");
    std::unique_ptr<Database> mine, theirs;

    void SetUp() override {
        {
            Database create(path, Database::Mode::Create);
            create.Execute("PRAGMA journal_mode = WAL; CREATE TABLE t (v INTEGER)");
        }
        mine = std::make_unique<Database>(path, Database::Mode::ReadWrite);
        theirs = std::make_unique<Database>(path, Database::Mode::ReadWrite);
        mine->NoteOtherWriters();
        mine->NoteOtherWriters();
    }

    static void Write(Database& db) {
        Transaction transaction(db);
        db.Execute("INSERT INTO t VALUES (1)");
        transaction.Commit();
    }
};

TEST_F(SqliteLog, ALookWhenNobodyCommittedAsksNothingAndKeepsTheEpoch) {
    const auto epoch = mine->Epoch();
    const auto lookups = mine->LookupsMade();
    for (int i = 0; i < 5; ++i) mine->NoteOtherWriters();
    EXPECT_EQ(mine->Epoch(), epoch);
    EXPECT_EQ(mine->LookupsMade(), lookups);
    // A reading changes nothing either.
    EXPECT_EQ(mine->QueryInt("SELECT count(*) FROM t"), 0);
    mine->NoteOtherWriters();
    EXPECT_EQ(mine->LookupsMade(), lookups);
}

// Holding the write lock, a connection looks once: no other can commit until it lets go.
TEST_F(SqliteLog, AWriterSeesCommitsMadeBeforeItsTransactionAndAfterIt) {
    Write(*theirs);
    auto epoch = mine->Epoch();
    {
        Transaction transaction(*mine);
        mine->NoteOtherWriters();
        EXPECT_NE(mine->Epoch(), epoch) << "a commit made before the transaction";
        epoch = mine->Epoch();
        mine->Execute("INSERT INTO t VALUES (2)");
        mine->NoteOtherWriters();
        EXPECT_EQ(mine->Epoch(), epoch);
        transaction.Commit();
    }
    Write(*theirs);
    mine->NoteOtherWriters();
    EXPECT_NE(mine->Epoch(), epoch) << "a commit made after the transaction";
    EXPECT_EQ(mine->QueryInt("SELECT count(*) FROM t"), 3);
}

TEST_F(SqliteLog, AnotherConnectionsCommitStartsANewEpochAtTheNextLook) {
    for (int round = 0; round < 3; ++round) {
        const auto epoch = mine->Epoch();
        Write(*theirs);
        mine->NoteOtherWriters();
        EXPECT_NE(mine->Epoch(), epoch) << "round " << round;
        // Seen once, the commit costs no further look.
        const auto lookups = mine->LookupsMade();
        mine->NoteOtherWriters();
        EXPECT_EQ(mine->LookupsMade(), lookups);
    }
}

TEST_F(SqliteLog, AConnectionsOwnCommitKeepsItsEpochAndCostsNoLook) {
    const auto epoch = mine->Epoch();
    const auto lookups = mine->LookupsMade();
    {
        Transaction transaction(*mine);
        mine->NoteOtherWriters();
        mine->Execute("INSERT INTO t VALUES (1)");
        transaction.Commit();
    }
    mine->NoteOtherWriters();
    EXPECT_EQ(mine->Epoch(), epoch);
    EXPECT_EQ(mine->LookupsMade(), lookups);
    // Another's commit right after one's own is still seen.
    Write(*theirs);
    mine->NoteOtherWriters();
    EXPECT_NE(mine->Epoch(), epoch);
}

TEST_F(SqliteLog, ACommitThatAnotherFollowedBeforeTheLookIsSeen) {
    const auto epoch = mine->Epoch();
    {
        Transaction transaction(*mine);
        mine->NoteOtherWriters();
        mine->Execute("INSERT INTO t VALUES (1)");
        transaction.Commit();
    }
    Write(*theirs);
    mine->NoteOtherWriters();
    EXPECT_NE(mine->Epoch(), epoch);
    EXPECT_EQ(mine->QueryInt("SELECT count(*) FROM t"), 2);
}

// Each frame of the log goes to the file in one write with its header. What a writer that
// died without closing committed is all in its log file: read back from the file alone,
// with the shared index gone, every row is there and the database is sound.
TEST(SqliteFile, EveryCommitOfAWriterThatDiedIsInItsLogFile) {
    testing_support::TempDir dir;
    const std::string path = dir.File("log.db");
    {
        Database create(path, Database::Mode::Create);
        create.Execute("PRAGMA journal_mode = WAL; CREATE TABLE t (v BLOB)");
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Database db(path, Database::Mode::ReadWrite);
        db.Execute("PRAGMA wal_autocheckpoint = 0");
        for (int i = 0; i < 40; ++i) {
            Transaction transaction(db);
            db.Execute("INSERT INTO t VALUES (randomblob(3000 + " + std::to_string(i) + "))");
            transaction.Commit();
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_GT(std::filesystem::file_size(path + "-wal"), 40u * 3000);
    std::filesystem::remove(path + "-shm");
    Database reader(path, Database::Mode::ReadWrite);
    EXPECT_EQ(reader.QueryInt("SELECT count(*) FROM t"), 40);
    EXPECT_EQ(reader.QueryInt("SELECT sum(length(v)) FROM t"), 40 * 3000 + 39 * 40 / 2);
    EXPECT_EQ(reader.QueryInt("SELECT count(*) FROM pragma_integrity_check "
                              "WHERE integrity_check != 'ok'"),
              0);
}
