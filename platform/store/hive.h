// The SQLite store's tree of keys and typed values, in one database.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/registry/registry_tree.h"
#include "sqlite.h"

namespace store {

// A key's row id; ids are never reused, so an id outlives nothing it named.
using KeyId = platform::NodeId;

// Throws sqlite::Error when the database fails.
class Hive final : public platform::RegistryTree {
public:
    // Creates the tables on an empty database.
    static void CreateSchema(sqlite::Database& db);

    // Prepares the statements on a database whose schema is in place; db must outlive it.
    explicit Hive(sqlite::Database& db);
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;

    std::optional<KeyId> FindChild(KeyId parent, std::u16string_view name) override;
    KeyId CreateChild(KeyId parent, std::u16string_view name) override;
    std::vector<std::u16string> ChildNames(KeyId key) override;
    bool Exists(KeyId key) override;
    bool HasChildren(KeyId key) override;
    void DeleteLeaf(KeyId key) override;

    std::optional<platform::TreeValue> FindValue(KeyId key, std::u16string_view name) override;
    void SetValue(KeyId key, std::u16string_view name, platform::Dword type,
                  const std::uint8_t* data, std::size_t size) override;
    bool DeleteValue(KeyId key, std::u16string_view name) override;
    std::vector<std::pair<std::u16string, platform::TreeValue>> Values(KeyId key) override;
    platform::TreeCounts Counts(KeyId key) override;

    // A transaction, or a savepoint inside one.
    std::unique_ptr<platform::TreeBatch> BeginBatch() override;
    // A transaction; inside one already open nothing, since SQLite undoes a statement that
    // fails by itself, and a savepoint around each value would cost a bulk write such as
    // an import two statements more per value.
    std::unique_ptr<platform::TreeBatch> BeginStep() override;
    // What this process remembers holds only until another process commits.
    void Refresh() override { db_.NoteOtherWriters(); }
    std::uint64_t Generation() const override { return db_.Epoch(); }

private:
    // A key found or made in the current epoch, by its parent and folded name.
    struct ChildName {
        KeyId parent;
        std::u16string folded;
        bool operator==(const ChildName&) const = default;
    };
    struct ChildNameHash {
        std::size_t operator()(const ChildName& name) const noexcept;
    };
    void ForgetStaleKeys();
    void Remember(KeyId parent, std::u16string folded, KeyId id);

    sqlite::Database& db_;
    // Opening a key walks its path one name at a time; the keys met are kept so that the
    // walk costs no query while nobody changed the database.
    std::unordered_map<ChildName, KeyId, ChildNameHash> children_;
    std::unordered_map<KeyId, ChildName> names_;
    // Values read or written in the current epoch, by their key and folded name.
    std::unordered_map<ChildName, platform::TreeValue, ChildNameHash> values_;
    std::uint64_t epoch_ = 0;
    // The folded name of the value being written.
    std::u16string folded_;
    sqlite::Statement findChild_, insertKey_, keyExists_, hasChild_, deleteKey_, deleteValues_;
    sqlite::Statement findValue_, upsertValue_, deleteValue_, subKeysOf_, valuesOf_;
    sqlite::Statement subKeyNames_, valueSizes_;
};

}  // namespace store
