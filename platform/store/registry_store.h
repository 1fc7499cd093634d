// The registry on platforms without one: a store of our own in one SQLite file, which
// holds HKEY_LOCAL_MACHINE and HKEY_USERS, served with Windows' rules by TreeRegistry.
// HKEY_DYN_DATA is a tree in memory, empty whenever a store is opened.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/initial_contents.h"
#include "platform/memory/memory_tree.h"
#include "platform/registry/tree_registry.h"

namespace store {

class Hive;
namespace sqlite {
class Database;
class ReadTransaction;
class Transaction;
}  // namespace sqlite

// Calls made through a store while a batch is open take effect together when the batch is
// committed, or not at all. The in-memory HKEY_DYN_DATA tree is outside it.
class StoreBatch {
public:
    explicit StoreBatch(std::unique_ptr<sqlite::Transaction> transaction);
    StoreBatch(StoreBatch&&) noexcept;
    ~StoreBatch();

    // Makes every call of the batch take effect; false when the store refused.
    bool Commit();

private:
    std::unique_ptr<sqlite::Transaction> transaction_;
};

// While a snapshot lives, every call made through the store reads the store as it was
// when the snapshot's first reading was made, as a backup must. Not for changes.
class StoreSnapshot {
public:
    explicit StoreSnapshot(std::unique_ptr<sqlite::ReadTransaction> transaction);
    StoreSnapshot(StoreSnapshot&&) noexcept;
    ~StoreSnapshot();

private:
    std::unique_ptr<sqlite::ReadTransaction> transaction_;
};

class RegistryStore final : public platform::TreeRegistry {
public:
    // The path that keeps a store in memory only.
    static constexpr const char* kInMemory = ":memory:";

    // Opens the store at path, creating it with its roots and contents when no file is
    // there. A file that cannot be used is left untouched and reported through Problem();
    // every call then fails with ERROR_BADDB.
    explicit RegistryStore(const std::string& path, const platform::InitialContents& contents = {});
    // The same, asking contents for what a new store holds only when it makes one.
    RegistryStore(const std::string& path, const platform::InitialContentsSource& contents);
    ~RegistryStore() override;
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // Opens a batch on a usable store; nullopt when the store cannot be used or is busy.
    std::optional<StoreBatch> BeginBatch();

    // Holds the store still for a listing; nullopt when the store cannot be used.
    std::optional<StoreSnapshot> BeginSnapshot();

    // Why the store cannot be used, that it was found damaged, or, once a write was
    // refused, that it is read-only, naming its file; empty while it works. A damaged or
    // read-only store goes on serving what can be read and refuses writes.
    const std::optional<std::string>& Problem() const noexcept { return problem_; }

    // A store keeps the registration information where Windows 98 keeps it.
    platform::RegistryFamily Family() const override { return platform::RegistryFamily::Windows9x; }

protected:
    // An unusable store refuses every call, a damaged one every change, with ERROR_BADDB.
    platform::Long Refusal(bool change) override;
    // A read-only file refuses changes, and says why the first time.
    platform::Long WriteRefusal(const platform::RegistryTree& tree) override;
    // Damage found in the file is reported once; a full disk and a denied write have
    // their own codes, anything else SQLite reports is ERROR_BADDB.
    platform::Long StorageFailure() override;

private:
    platform::Long RefuseWrite();

    std::string path_;
    std::optional<std::string> problem_;
    bool unusable_ = false;
    bool damaged_ = false;
    bool readOnly_ = false;
    std::unique_ptr<sqlite::Database> fileDb_;
    std::unique_ptr<Hive> fileHive_;
    platform::MemoryTree dynData_;
    platform::RootMap roots_;
};

}  // namespace store
