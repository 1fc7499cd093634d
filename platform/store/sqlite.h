// Move-only owners of SQLite's connection and statements, and a transaction that rolls
// back unless committed. The C library stays out of this header.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "commit_watch.h"

struct sqlite3;
struct sqlite3_stmt;

namespace store::sqlite {

// A failed SQLite call: its result code and SQLite's message.
class Error : public std::runtime_error {
public:
    Error(int code, const std::string& message, int systemError = 0)
        : std::runtime_error(message), code_(code), systemError_(systemError) {}
    int Code() const noexcept { return code_; }
    // The system's errno behind the failure, 0 when none.
    int SystemError() const noexcept { return systemError_; }
    // True for the codes that mean the file is damaged or not a database.
    bool IsCorruption() const noexcept;
    // True when the connection may not write what the call needed written.
    bool IsReadOnly() const noexcept;
    // True when the file or the system refused the access the call needed: a read-only
    // connection or file, a denied permission.
    bool IsDenied() const noexcept;
    // True when the file system ran out of space, however SQLite's call noticed it.
    bool IsDiskFull() const noexcept;

private:
    int code_;
    int systemError_;
};

class Database;

struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const noexcept;
};

// A statement, prepared when it is first used and reset after every use. A store opens
// with a dozen of them and most sessions use two or three.
class Statement {
public:
    // sql must outlive the statement: it is a literal.
    Statement(Database& db, const char* sql) : db_(db), sql_(sql) {}

    Statement& Bind(int index, std::int64_t value);
    // The statement keeps its own copy of the text.
    Statement& Bind(int index, std::u16string_view text);
    // The bytes are not copied: they must stay until the statement is reset.
    Statement& Bind(int index, const std::vector<std::uint8_t>& blob);
    Statement& BindBlob(int index, const std::uint8_t* data, std::size_t size);

    // Steps once: true while a row is available.
    bool Step();
    // Steps to the end, for statements that return no rows.
    void Run();
    // Clears bindings and rewinds.
    void Reset() noexcept;

    std::int64_t Int(int column) const;
    std::u16string Text(int column) const;
    std::vector<std::uint8_t> Blob(int column) const;

private:
    sqlite3_stmt* Prepared();

    Database& db_;
    const char* sql_;
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> statement_;
    // The text bound to each parameter, as UTF-8, kept from one use to the next.
    std::vector<std::string> texts_;
};

// Resets a statement when the scope ends, so that no read stays open.
class ResetOnExit {
public:
    explicit ResetOnExit(Statement& statement) : statement_(statement) {}
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;
    ~ResetOnExit() { statement_.Reset(); }

private:
    Statement& statement_;
};

// One connection.
class Database {
public:
    // Immutable: read-only, for a file nobody can change meanwhile (on a read-only disk or
    // in a folder no one may write); SQLite then needs no -shm or -wal file beside it.
    enum class Mode { ReadOnly, Immutable, ReadWrite, Create, Memory };
    // The statements that begin and end transactions, prepared once.
    enum class Control { Begin, Commit, Rollback, Savepoint, Release, RollbackTo, Read, Count };

    Database(const std::string& path, Mode mode);
    // Statements refer to their connection, so a connection stays where it was made.
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Runs SQL without results (one or more statements).
    void Execute(std::string_view sql);
    // The first column of the first row of a query returning one integer.
    std::int64_t QueryInt(const char* sql);
    // Rows changed by the last statement.
    int Changes() const noexcept;
    // The row id the last INSERT gave its row.
    std::int64_t LastInsertRowId() const noexcept;
    // Whether a transaction is open on the connection.
    bool InTransaction() const noexcept;
    // Throws Error for a result code other than OK, ROW or DONE.
    void Check(int code);
    // The Error for a failed result code, with SQLite's message and the system's errno.
    // Notes when the failure made SQLite roll back a transaction still open here.
    Error Failure(int code);
    // Throws, once SQLite rolled back a transaction that is still open here, for any
    // statement until that transaction ends: run outside it, the statement would take
    // effect alone, as if the transaction were whole.
    void RefuseAfterLostTransaction() const;

    // Whether the connection may not write.
    bool IsReadOnly() const noexcept;
    // Makes a call wait up to ms for another connection's lock before it fails as busy.
    void WaitWhenBusy(int ms);
    // Whether the database has a table of that name, read from its schema without
    // compiling a statement; throws Error when the schema cannot be read.
    bool HasTable(const char* name);
    // Leaves the write-ahead log as it is when the connection closes, instead of copying
    // it into the database: for a file that was refused and must not be written.
    void KeepLogOnClose() noexcept;

    // Runs one of the control statements.
    void Run(Control control);

    // A number that changes whenever what was read before may no longer hold: another
    // connection committed since the last look (NoteOtherWriters), or a transaction of
    // this one rolled back. Caches of what the database holds are kept per epoch.
    std::uint64_t Epoch() const noexcept { return epoch_; }
    // Looks whether another connection committed since the last look. While the shared
    // index of the write-ahead log shows no commit since then, that costs no system call.
    void NoteOtherWriters();
    void StartNewEpoch() noexcept { ++epoch_; }
    // How many looks had to ask SQLite, as the first look and a look after any commit do.
    std::uint64_t LookupsMade() const noexcept { return lookups_; }

private:
    friend class Transaction;
    friend class ReadTransaction;

    void Open(const std::string& name, int flags);
    void WatchSharedIndex();
    // Commits the open transaction, and keeps what this connection remembers when nobody
    // else committed since its last look.
    void CommitOwn();
    // Ends a read transaction. Others may have committed while it was open, unseen by
    // it, so the next look asks SQLite.
    void EndRead() noexcept;
    // A transaction begun here ended, committed or not.
    void Ended() noexcept;

    friend class Statement;
    sqlite3* Handle() const noexcept { return db_.get(); }

    struct Closer {
        void operator()(sqlite3* db) const noexcept;
    };
    // Declared first, so that the statements below are finalized before it closes.
    std::unique_ptr<sqlite3, Closer> db_;
    Statement controls_[static_cast<int>(Control::Count)];
    Statement dataVersion_;
    std::int64_t lastDataVersion_ = -1;
    std::uint64_t epoch_ = 0;
    CommitWatch watch_;
    bool watchTried_ = false;
    // The index header of the last look that asked SQLite, read before it asked.
    std::optional<IndexHeader> seen_;
    std::uint64_t lookups_ = 0;
    // While this connection holds the write lock no other can commit: one look after
    // taking it is enough until it is let go.
    bool writing_ = false;
    bool lookedWhileWriting_ = false;
    // Transactions begun here and not yet ended, savepoints counted; and, when SQLite
    // rolled them back by itself after a failure, that failure.
    int open_ = 0;
    std::optional<Error> lost_;
};

// BEGIN IMMEDIATE on construction, or a savepoint inside a transaction already open;
// rolls back in the destructor unless committed.
class Transaction {
public:
    explicit Transaction(Database& db);
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    ~Transaction();

    void Commit();

private:
    Database& db_;
    bool nested_ = false;
    bool done_ = false;
};

// A read transaction: what is read while it is open is one state of the database, however
// many statements read it. Inside a transaction already open it adds nothing.
class ReadTransaction {
public:
    explicit ReadTransaction(Database& db);
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;
    ~ReadTransaction();

private:
    Database& db_;
    bool nested_ = false;
};

}  // namespace store::sqlite
