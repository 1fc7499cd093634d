#include "registry_store.h"

#include "hive.h"
#include "sqlite.h"
#include "store_creation.h"
#include "store_file.h"

namespace store {

using platform::Long;

RegistryStore::RegistryStore(const std::string& path, const platform::InitialContents& contents)
    : RegistryStore(path, platform::InitialContentsSource([&contents] { return contents; })) {}

RegistryStore::RegistryStore(const std::string& path,
                             const platform::InitialContentsSource& contents)
    : TreeRegistry(roots_), path_(path) {
    try {
        if (path == kInMemory) {
            fileDb_ =
                std::make_unique<sqlite::Database>(":memory:", sqlite::Database::Mode::Memory);
            SeedNewStore(*fileDb_, platform::ContentsOf(contents));
        } else {
            fileDb_ = OpenStoreFile(path, contents);
            readOnly_ = fileDb_->IsReadOnly();
        }
        fileHive_ = std::make_unique<Hive>(*fileDb_);
        if (!platform::MapStandardRoots(roots_, *fileHive_, dynData_)) {
            Refuse(path_, "its root keys are missing");
        }
    } catch (const StoreRefused& refused) {
        problem_ = refused.what();
    } catch (const sqlite::Error& error) {
        problem_ = CannotBeUsed(path, error.what());
    }
    if (problem_) {
        unusable_ = true;
        fileHive_.reset();
        fileDb_.reset();
    }
}

RegistryStore::~RegistryStore() = default;

StoreBatch::StoreBatch(std::unique_ptr<sqlite::Transaction> transaction)
    : transaction_(std::move(transaction)) {}
StoreBatch::StoreBatch(StoreBatch&&) noexcept = default;
StoreBatch::~StoreBatch() = default;

bool StoreBatch::Commit() {
    try {
        transaction_->Commit();
        return true;
    } catch (const sqlite::Error&) {
        return false;
    }
}

std::optional<StoreBatch> RegistryStore::BeginBatch() {
    if (unusable_ || damaged_) return std::nullopt;
    if (readOnly_) {
        RefuseWrite();
        return std::nullopt;
    }
    try {
        return StoreBatch(std::make_unique<sqlite::Transaction>(*fileDb_));
    } catch (const sqlite::Error&) {
        return std::nullopt;
    }
}

StoreSnapshot::StoreSnapshot(std::unique_ptr<sqlite::ReadTransaction> transaction)
    : transaction_(std::move(transaction)) {}
StoreSnapshot::StoreSnapshot(StoreSnapshot&&) noexcept = default;
StoreSnapshot::~StoreSnapshot() = default;

std::optional<StoreSnapshot> RegistryStore::BeginSnapshot() {
    if (unusable_) return std::nullopt;
    try {
        return StoreSnapshot(std::make_unique<sqlite::ReadTransaction>(*fileDb_));
    } catch (const sqlite::Error&) {
        return std::nullopt;
    }
}

// A store that may not be written serves every reading; the first write refused says why.
Long RegistryStore::RefuseWrite() {
    if (!problem_) {
        const std::string why = WhyReadOnly(path_);
        problem_ =
            StoreMessage(path_, "is read-only" + (why.empty() ? std::string() : " (" + why + ")") +
                                    ", so nothing can be saved in it.");
    }
    return platform::kErrorAccessDenied;
}

Long RegistryStore::Refusal(bool change) {
    if (unusable_ || (change && damaged_)) return platform::kErrorBadDb;
    return platform::kErrorSuccess;
}

Long RegistryStore::WriteRefusal(const platform::RegistryTree& tree) {
    if (readOnly_ && &tree == fileHive_.get()) return RefuseWrite();
    return platform::kErrorSuccess;
}

// Damage found inside a store fails the call that met it; from then on what can still be
// read is read, and nothing more is written to the damaged file.
Long RegistryStore::StorageFailure() {
    try {
        throw;
    } catch (const sqlite::Error& error) {
        if (error.IsCorruption()) {
            if (!damaged_) {
                damaged_ = true;
                problem_ = StoreMessage(path_, std::string("is damaged (") + error.what() +
                                                   "): what can still be read is read, and "
                                                   "nothing more is written to it.");
            }
            return platform::kErrorBadDb;
        }
        if (error.IsDiskFull()) return platform::kErrorDiskFull;
        // The file may not be written: the registry's "access denied".
        if (error.IsDenied()) return platform::kErrorAccessDenied;
        return platform::kErrorBadDb;
    }
}

}  // namespace store
