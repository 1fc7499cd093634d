// The SQLite wrapper: statements, the control statements behind transactions, the row id
// of an insert, and the kinds of failure the store tells apart.
#include "platform/store/sqlite.h"

#include <gtest/gtest.h>

#include <fstream>
#include <type_traits>

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
