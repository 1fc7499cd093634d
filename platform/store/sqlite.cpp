#include "sqlite.h"

#include <sqlite3.h>

#include <cctype>
#include <cerrno>

#include "frame_joining_vfs.h"

namespace store::sqlite {

bool Error::IsCorruption() const noexcept {
    const int primary = code_ & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

bool Error::IsReadOnly() const noexcept { return (code_ & 0xFF) == SQLITE_READONLY; }

bool Error::IsDenied() const noexcept {
    const int primary = code_ & 0xFF;
    return primary == SQLITE_READONLY || primary == SQLITE_PERM || primary == SQLITE_AUTH;
}

bool Error::IsDiskFull() const noexcept {
    // A full disk shows as SQLITE_FULL on a data write, but as an I/O error when the
    // shared-memory index or a file's size could not grow.
    return (code_ & 0xFF) == SQLITE_FULL || systemError_ == ENOSPC;
}

void Database::Closer::operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }

namespace {

// ASCII text as UTF-8, which is the same bytes; false for any other text.
bool NarrowAscii(std::u16string_view text, std::string& narrow) {
    narrow.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] >= 0x80) return false;
        narrow[i] = static_cast<char>(text[i]);
    }
    return true;
}

// A file name as a URI, with every byte but the unreserved ones and '/' escaped.
std::string FileUri(const std::string& path, const char* query) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 15];
        }
    }
    return uri + "?" + query;
}

}  // namespace

Database::Database(const std::string& path, Mode mode)
    : controls_{{*this, "BEGIN IMMEDIATE"}, {*this, "COMMIT"},
                {*this, "ROLLBACK"},        {*this, "SAVEPOINT nested"},
                {*this, "RELEASE nested"},  {*this, "ROLLBACK TO nested"},
                {*this, "BEGIN"}},
      dataVersion_(*this, "PRAGMA data_version") {
    if (mode == Mode::Immutable) {
        Open(FileUri(path, "immutable=1"), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
        return;
    }
    const int flags = mode == Mode::ReadOnly    ? SQLITE_OPEN_READONLY
                      : mode == Mode::ReadWrite ? SQLITE_OPEN_READWRITE
                      : mode == Mode::Create    ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE
                                                : SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY;
    Open(path, flags);
}

void Database::Open(const std::string& name, int flags) {
    // Counting the memory SQLite holds puts a global lock around every allocation, and
    // nothing here reads the count. A connection's page cache starts with room for 20
    // pages made in one piece, written through as it is laid out, where the editor reads
    // half a dozen: pages are allocated as they are read instead. Only possible before
    // SQLite starts: a process that started it already keeps its settings.
    static const bool configured =
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK &&
        sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0) == SQLITE_OK;
    static_cast<void>(configured);
    sqlite3* raw = nullptr;
    const int code = sqlite3_open_v2(name.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX,
                                     FrameJoiningVfs());
    db_.reset(raw);
    if (code != SQLITE_OK) {
        throw Error(code, raw ? sqlite3_errmsg(raw) : sqlite3_errstr(code));
    }
    sqlite3_extended_result_codes(raw, 1);
}

bool Database::IsReadOnly() const noexcept { return sqlite3_db_readonly(db_.get(), "main") == 1; }

void Database::WaitWhenBusy(int ms) { Check(sqlite3_busy_timeout(db_.get(), ms)); }

bool Database::HasTable(const char* name) {
    const int code = sqlite3_table_column_metadata(db_.get(), "main", name, nullptr, nullptr,
                                                   nullptr, nullptr, nullptr, nullptr);
    // A missing table is a plain error that names it; a schema that cannot be read fails
    // with its own code or message.
    if ((code & 0xFF) == SQLITE_ERROR &&
        std::string_view(sqlite3_errmsg(db_.get())).starts_with("no such table")) {
        return false;
    }
    Check(code);
    return true;
}

void Database::KeepLogOnClose() noexcept {
    sqlite3_db_config(db_.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
}

void Database::Check(int code) {
    if (code == SQLITE_OK || code == SQLITE_ROW || code == SQLITE_DONE) return;
    throw Failure(code);
}

// SQLite undoes a failed statement alone for a broken constraint, but may roll back the
// whole transaction for a full disk, an I/O error or a lack of memory.
Error Database::Failure(int code) {
    Error error(code, sqlite3_errmsg(db_.get()), sqlite3_system_errno(db_.get()));
    if (open_ > 0 && !lost_ && !InTransaction()) {
        lost_ = error;
        // What was read or made inside the transaction is gone with it.
        StartNewEpoch();
    }
    return error;
}

void Database::RefuseAfterLostTransaction() const {
    if (!lost_) return;
    throw Error(lost_->Code(),
                std::string("the transaction was rolled back after an earlier failure (") +
                    lost_->what() + ")",
                lost_->SystemError());
}

void Database::Execute(std::string_view sql) {
    RefuseAfterLostTransaction();
    const std::string text(sql);
    Check(sqlite3_exec(db_.get(), text.c_str(), nullptr, nullptr, nullptr));
}

std::int64_t Database::QueryInt(const char* sql) {
    Statement statement(*this, sql);
    const std::int64_t value = statement.Step() ? statement.Int(0) : 0;
    statement.Reset();
    return value;
}

int Database::Changes() const noexcept { return sqlite3_changes(db_.get()); }

std::int64_t Database::LastInsertRowId() const noexcept {
    return sqlite3_last_insert_rowid(db_.get());
}

bool Database::InTransaction() const noexcept { return !sqlite3_get_autocommit(db_.get()); }

void Database::Run(Control control) { controls_[static_cast<int>(control)].Run(); }

void Database::NoteOtherWriters() {
    // Any commit rewrites the header, so an unchanged header means nothing changed. The
    // header is read before SQLite is asked, so that a commit landing in between is seen
    // at the next look.
    if (writing_ && lookedWhileWriting_) return;
    lookedWhileWriting_ = writing_;
    const std::optional<IndexHeader> header = watch_.Read();
    if (header && header == seen_) return;
    ++lookups_;
    std::int64_t version = 0;
    {
        ResetOnExit reset(dataVersion_);
        if (dataVersion_.Step()) version = dataVersion_.Int(0);
    }
    if (version != lastDataVersion_) {
        lastDataVersion_ = version;
        ++epoch_;
    }
    seen_ = header;
    if (!watchTried_) WatchSharedIndex();
}

// The index is mapped by the connection's first reading in write-ahead-log mode, which
// the look above made; a database in another mode gets no index made for it.
void Database::WatchSharedIndex() {
    watchTried_ = true;
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db_.get(), "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK ||
        !file || !file->pMethods || file->pMethods->iVersion < 2 || !file->pMethods->xShmMap) {
        return;
    }
    Statement mode(*this, "PRAGMA journal_mode");
    const bool logged = mode.Step() && mode.Text(0) == u"wal";
    mode.Reset();
    if (!logged) return;
    // The first region holds the header; it stays mapped while the connection is open.
    constexpr int kRegionSize = 32768;
    volatile void* region = nullptr;
    if (file->pMethods->xShmMap(file, 0, kRegionSize, 0, &region) != SQLITE_OK) return;
    watch_.Watch(const_cast<const void*>(region));
}

// While this connection holds the write lock the header is its own; one commit later,
// only its own commit lies between when the count of commits grew by exactly one.
void Database::CommitOwn() {
    const std::optional<IndexHeader> before = watch_.Read();
    Run(Control::Commit);
    const std::optional<IndexHeader> after = watch_.Read();
    if (before && after && before == seen_ && after->Commits() == before->Commits() + 1) {
        seen_ = after;
    }
}

void StatementFinalizer::operator()(sqlite3_stmt* statement) const noexcept {
    sqlite3_finalize(statement);
}

sqlite3_stmt* Statement::Prepared() {
    if (!statement_) {
        sqlite3_stmt* raw = nullptr;
        db_.Check(
            sqlite3_prepare_v3(db_.Handle(), sql_, -1, SQLITE_PREPARE_PERSISTENT, &raw, nullptr));
        statement_.reset(raw);
        // Sized once: SQLite holds pointers into the buffers, which must not move.
        texts_.resize(static_cast<std::size_t>(sqlite3_bind_parameter_count(raw)));
    }
    return statement_.get();
}

Statement& Statement::Bind(int index, std::int64_t value) {
    db_.Check(sqlite3_bind_int64(Prepared(), index, value));
    return *this;
}

// The store keeps text as UTF-8, which SQLite would reach from UTF-16 through two copies
// of its own. Names are ASCII far more often than not and are narrowed here, into a
// buffer that the statement keeps; other text goes the way SQLite converts it.
Statement& Statement::Bind(int index, std::u16string_view text) {
    sqlite3_stmt* statement = Prepared();
    if (index >= 1 && static_cast<std::size_t>(index) <= texts_.size()) {
        std::string& narrow = texts_[static_cast<std::size_t>(index) - 1];
        if (NarrowAscii(text, narrow)) {
            db_.Check(sqlite3_bind_text(statement, index, narrow.data(),
                                        static_cast<int>(narrow.size()), SQLITE_STATIC));
            return *this;
        }
    }
    // SQLite converts the rest, and names a parameter that is not there.
    db_.Check(sqlite3_bind_text16(statement, index, text.data(),
                                  static_cast<int>(text.size() * sizeof(char16_t)),
                                  SQLITE_TRANSIENT));
    return *this;
}

Statement& Statement::Bind(int index, const std::vector<std::uint8_t>& blob) {
    return BindBlob(index, blob.data(), blob.size());
}

Statement& Statement::BindBlob(int index, const std::uint8_t* data, std::size_t size) {
    // An empty blob is still a blob, not NULL.
    static const std::uint8_t kNothing = 0;
    db_.Check(sqlite3_bind_blob(Prepared(), index, size ? data : &kNothing, static_cast<int>(size),
                                SQLITE_STATIC));
    return *this;
}

bool Statement::Step() {
    db_.RefuseAfterLostTransaction();
    const int code = sqlite3_step(Prepared());
    if (code == SQLITE_ROW) return true;
    if (code == SQLITE_DONE) return false;
    // Read the message before the reset replaces it.
    Error error = db_.Failure(code);
    Reset();
    throw error;
}

void Statement::Run() {
    while (Step()) {
    }
    Reset();
}

void Statement::Reset() noexcept {
    sqlite3_reset(statement_.get());
    sqlite3_clear_bindings(statement_.get());
}

std::int64_t Statement::Int(int column) const {
    return sqlite3_column_int64(statement_.get(), column);
}

std::u16string Statement::Text(int column) const {
    const auto* text =
        static_cast<const char16_t*>(sqlite3_column_text16(statement_.get(), column));
    const int bytes = sqlite3_column_bytes16(statement_.get(), column);
    return text ? std::u16string(text, static_cast<std::size_t>(bytes) / 2) : std::u16string();
}

std::vector<std::uint8_t> Statement::Blob(int column) const {
    const auto* data =
        static_cast<const std::uint8_t*>(sqlite3_column_blob(statement_.get(), column));
    const int bytes = sqlite3_column_bytes(statement_.get(), column);
    return data ? std::vector<std::uint8_t>(data, data + bytes) : std::vector<std::uint8_t>();
}

Transaction::Transaction(Database& db) : db_(db), nested_(db.InTransaction()) {
    db_.Run(nested_ ? Database::Control::Savepoint : Database::Control::Begin);
    // BEGIN IMMEDIATE took the write lock.
    if (!nested_) db_.writing_ = true;
    ++db_.open_;
}

Transaction::~Transaction() {
    if (done_) return;
    // What was read or made inside the transaction is gone with it.
    db_.StartNewEpoch();
    const bool lost = db_.lost_.has_value();
    db_.Ended();
    if (lost) return;
    try {
        if (nested_) {
            db_.Run(Database::Control::RollbackTo);
            db_.Run(Database::Control::Release);
        } else {
            db_.Run(Database::Control::Rollback);
        }
    } catch (...) {
        // The connection already rolled back, or is gone; nothing is left to undo.
    }
}

void Database::EndRead() noexcept {
    try {
        Run(Control::Commit);
    } catch (...) {
        // A read has nothing to keep; the transaction is over either way.
    }
    seen_.reset();
}

ReadTransaction::ReadTransaction(Database& db) : db_(db), nested_(db.InTransaction()) {
    if (!nested_) db_.Run(Database::Control::Read);
}

ReadTransaction::~ReadTransaction() {
    if (!nested_) db_.EndRead();
}

void Transaction::Commit() {
    if (nested_) {
        db_.Run(Database::Control::Release);
    } else {
        db_.CommitOwn();
    }
    done_ = true;
    db_.Ended();
}

// The last transaction to end is the one SQLite rolled back, if it did.
void Database::Ended() noexcept {
    if (--open_ > 0) return;
    lost_.reset();
    writing_ = lookedWhileWriting_ = false;
}

}  // namespace store::sqlite
