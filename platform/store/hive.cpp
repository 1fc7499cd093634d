#include "hive.h"

#include "platform/registry/key_names.h"

namespace store {

using platform::FoldName;
using platform::TreeValue;

namespace {

// Past this many keys or values remembered, the memory is given back and filled anew;
// larger values are read from the database each time.
constexpr std::size_t kMaxRemembered = 100000;
constexpr std::size_t kMaxRememberedData = 4096;

platform::Dword Units(const std::u16string& text) {
    return static_cast<platform::Dword>(text.size());
}

}  // namespace

void Hive::CreateSchema(sqlite::Database& db) {
    db.Execute(R"sql(
        CREATE TABLE key (
            id INTEGER PRIMARY KEY AUTOINCREMENT,
            parent INTEGER NOT NULL,
            name TEXT NOT NULL,
            folded TEXT NOT NULL
        );
        CREATE UNIQUE INDEX key_by_parent ON key (parent, folded);
        CREATE TABLE value (
            id INTEGER PRIMARY KEY,
            key INTEGER NOT NULL,
            name TEXT NOT NULL,
            folded TEXT NOT NULL,
            type INTEGER NOT NULL,
            data BLOB NOT NULL
        );
        CREATE UNIQUE INDEX value_by_key ON value (key, folded);
    )sql");
}

Hive::Hive(sqlite::Database& db)
    : db_(db),
      findChild_(db_, "SELECT id FROM key WHERE parent = ?1 AND folded = ?2"),
      insertKey_(db_, "INSERT INTO key (parent, name, folded) VALUES (?1, ?2, ?3)"),
      keyExists_(db_, "SELECT 1 FROM key WHERE id = ?1"),
      hasChild_(db_, "SELECT 1 FROM key WHERE parent = ?1 LIMIT 1"),
      deleteKey_(db_, "DELETE FROM key WHERE id = ?1"),
      deleteValues_(db_, "DELETE FROM value WHERE key = ?1"),
      findValue_(db_, "SELECT type, data FROM value WHERE key = ?1 AND folded = ?2"),
      // An overwrite keeps the name's first spelling and the value's place in the order.
      upsertValue_(db_,
                   "INSERT INTO value (key, name, folded, type, data) VALUES (?1, ?2, ?3, ?4, ?5) "
                   "ON CONFLICT (key, folded) DO UPDATE SET type = excluded.type, "
                   "data = excluded.data"),
      deleteValue_(db_, "DELETE FROM value WHERE key = ?1 AND folded = ?2"),
      subKeysOf_(db_, "SELECT name FROM key WHERE parent = ?1 ORDER BY folded"),
      valuesOf_(db_, "SELECT name, type, data FROM value WHERE key = ?1 ORDER BY id"),
      subKeyNames_(db_, "SELECT name FROM key WHERE parent = ?1"),
      valueSizes_(db_, "SELECT name, length(data) FROM value WHERE key = ?1") {}

std::size_t Hive::ChildNameHash::operator()(const ChildName& name) const noexcept {
    return std::hash<std::u16string>()(name.folded) * 31 + std::hash<KeyId>()(name.parent);
}

void Hive::ForgetStaleKeys() {
    if (epoch_ == db_.Epoch() && children_.size() < kMaxRemembered &&
        values_.size() < kMaxRemembered) {
        return;
    }
    children_.clear();
    names_.clear();
    values_.clear();
    epoch_ = db_.Epoch();
}

void Hive::Remember(KeyId parent, std::u16string folded, KeyId id) {
    ChildName name{parent, std::move(folded)};
    names_.emplace(id, name);
    children_.emplace(std::move(name), id);
}

std::optional<KeyId> Hive::FindChild(KeyId parent, std::u16string_view name) {
    ForgetStaleKeys();
    std::u16string folded = FoldName(name);
    const auto known = children_.find(ChildName{parent, folded});
    if (known != children_.end()) return known->second;
    sqlite::ResetOnExit reset(findChild_);
    findChild_.Bind(1, parent).Bind(2, folded);
    if (!findChild_.Step()) return std::nullopt;
    const KeyId id = findChild_.Int(0);
    Remember(parent, std::move(folded), id);
    return id;
}

KeyId Hive::CreateChild(KeyId parent, std::u16string_view name) {
    ForgetStaleKeys();
    std::u16string folded = FoldName(name);
    sqlite::ResetOnExit reset(insertKey_);
    insertKey_.Bind(1, parent).Bind(2, name).Bind(3, folded).Run();
    const KeyId id = db_.LastInsertRowId();
    Remember(parent, std::move(folded), id);
    return id;
}

bool Hive::Exists(KeyId key) {
    ForgetStaleKeys();
    if (names_.count(key)) return true;
    sqlite::ResetOnExit reset(keyExists_);
    return keyExists_.Bind(1, key).Step();
}

bool Hive::HasChildren(KeyId key) {
    sqlite::ResetOnExit reset(hasChild_);
    return hasChild_.Bind(1, key).Step();
}

void Hive::DeleteLeaf(KeyId key) {
    ForgetStaleKeys();
    if (const auto known = names_.find(key); known != names_.end()) {
        children_.erase(known->second);
        names_.erase(known);
    }
    // Deletes are rare; forgetting every value keeps a tree delete linear.
    values_.clear();
    {
        sqlite::ResetOnExit reset(deleteValues_);
        deleteValues_.Bind(1, key).Run();
    }
    sqlite::ResetOnExit reset(deleteKey_);
    deleteKey_.Bind(1, key).Run();
}

std::optional<TreeValue> Hive::FindValue(KeyId key, std::u16string_view name) {
    ForgetStaleKeys();
    ChildName value{key, FoldName(name)};
    if (const auto known = values_.find(value); known != values_.end()) return known->second;
    sqlite::ResetOnExit reset(findValue_);
    findValue_.Bind(1, key).Bind(2, value.folded);
    if (!findValue_.Step()) return std::nullopt;
    TreeValue found{static_cast<platform::Dword>(findValue_.Int(0)), findValue_.Blob(1)};
    if (found.data.size() <= kMaxRememberedData) values_.emplace(std::move(value), found);
    return found;
}

void Hive::SetValue(KeyId key, std::u16string_view name, platform::Dword type,
                    const std::uint8_t* data, std::size_t size) {
    ForgetStaleKeys();
    FoldName(name, folded_);
    sqlite::ResetOnExit reset(upsertValue_);
    upsertValue_.Bind(1, key).Bind(2, name).Bind(3, folded_).Bind(4, std::int64_t{type});
    upsertValue_.BindBlob(5, data, size).Run();
    // Only a value read before is kept up to date, so that a bulk write fills no memory.
    if (values_.empty()) return;
    const auto known = values_.find(ChildName{key, folded_});
    if (known == values_.end()) return;
    if (size <= kMaxRememberedData) {
        known->second = TreeValue{type, std::vector<std::uint8_t>(data, data + size)};
    } else {
        values_.erase(known);
    }
}

bool Hive::DeleteValue(KeyId key, std::u16string_view name) {
    ForgetStaleKeys();
    ChildName value{key, FoldName(name)};
    values_.erase(value);
    sqlite::ResetOnExit reset(deleteValue_);
    deleteValue_.Bind(1, key).Bind(2, value.folded).Run();
    return db_.Changes() > 0;
}

std::vector<std::u16string> Hive::ChildNames(KeyId key) {
    sqlite::ResetOnExit reset(subKeysOf_);
    subKeysOf_.Bind(1, key);
    std::vector<std::u16string> names;
    while (subKeysOf_.Step()) names.push_back(subKeysOf_.Text(0));
    return names;
}

std::vector<std::pair<std::u16string, TreeValue>> Hive::Values(KeyId key) {
    sqlite::ResetOnExit reset(valuesOf_);
    valuesOf_.Bind(1, key);
    std::vector<std::pair<std::u16string, TreeValue>> values;
    while (valuesOf_.Step()) {
        values.emplace_back(
            valuesOf_.Text(0),
            TreeValue{static_cast<platform::Dword>(valuesOf_.Int(1)), valuesOf_.Blob(2)});
    }
    return values;
}

platform::TreeCounts Hive::Counts(KeyId key) {
    platform::TreeCounts info;
    {
        sqlite::ResetOnExit reset(subKeyNames_);
        subKeyNames_.Bind(1, key);
        while (subKeyNames_.Step()) {
            ++info.subKeys;
            info.maxSubKeyLength = std::max(info.maxSubKeyLength, Units(subKeyNames_.Text(0)));
        }
    }
    sqlite::ResetOnExit reset(valueSizes_);
    valueSizes_.Bind(1, key);
    while (valueSizes_.Step()) {
        ++info.values;
        info.maxValueNameLength = std::max(info.maxValueNameLength, Units(valueSizes_.Text(0)));
        info.maxValueSize =
            std::max(info.maxValueSize, static_cast<platform::Dword>(valueSizes_.Int(1)));
    }
    return info;
}

namespace {

class Batch final : public platform::TreeBatch {
public:
    explicit Batch(sqlite::Database& db) : transaction_(db) {}
    void Commit() override { transaction_.Commit(); }

private:
    sqlite::Transaction transaction_;
};

}  // namespace

std::unique_ptr<platform::TreeBatch> Hive::BeginBatch() { return std::make_unique<Batch>(db_); }

std::unique_ptr<platform::TreeBatch> Hive::BeginStep() {
    return db_.InTransaction() ? nullptr : BeginBatch();
}

}  // namespace store
