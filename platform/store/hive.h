// One tree of keys and typed values in one SQLite database.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "sqlite.h"

namespace store {

// A key's row id; ids are never reused, so an id outlives nothing it named.
using KeyId = std::int64_t;

// A stored value.
struct StoredValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

// Counts and longest lengths (UTF-16 units, data bytes) below one key.
struct KeyInfo {
    std::uint32_t subKeys = 0, maxSubKeyLength = 0;
    std::uint32_t values = 0, maxValueNameLength = 0, maxValueSize = 0;
};

class Hive {
public:
    // Creates the tables on an empty database.
    static void CreateSchema(sqlite::Database& db);

    // Prepares the statements on a database whose schema is in place; db must outlive it.
    explicit Hive(sqlite::Database& db);
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;

    sqlite::Database& Db() noexcept { return db_; }

    // The top key of a given name, creating it when asked.
    std::optional<KeyId> Top(std::u16string_view name);
    KeyId CreateTop(std::u16string_view name);

    std::optional<KeyId> FindChild(KeyId parent, std::u16string_view name);
    KeyId CreateChild(KeyId parent, std::u16string_view name);
    // The key a path of names leads to from `from`, when every name is there.
    std::optional<KeyId> Walk(KeyId from, std::span<const std::u16string_view> names);
    // The same, making the keys that are missing; `created` tells whether one was made.
    KeyId WalkCreating(KeyId from, std::span<const std::u16string_view> names,
                       bool* created = nullptr);
    bool Exists(KeyId key);
    bool HasChildren(KeyId key);
    // Deletes a key that has no children, with its values.
    void DeleteLeaf(KeyId key);

    std::optional<StoredValue> FindValue(KeyId key, std::u16string_view name);
    void SetValue(KeyId key, std::u16string_view name, std::uint32_t type,
                  const std::uint8_t* data, std::size_t size);
    // False when there was no such value.
    bool DeleteValue(KeyId key, std::u16string_view name);

    // The subkeys' names, in the order of their folded names.
    std::vector<std::u16string> SubKeyNames(KeyId key);
    // The values' names, types and data, in the order the values were created.
    std::vector<std::pair<std::u16string, StoredValue>> Values(KeyId key);
    KeyInfo Info(KeyId key);

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
    std::unordered_map<ChildName, StoredValue, ChildNameHash> values_;
    std::uint64_t epoch_ = 0;
    sqlite::Statement findChild_, insertKey_, keyExists_, hasChild_, deleteKey_, deleteValues_;
    sqlite::Statement findValue_, upsertValue_, deleteValue_, subKeysOf_, valuesOf_;
    sqlite::Statement subKeyNames_, valueSizes_;
};

}  // namespace store
