#include "registry_store.h"

#include <cstring>

#include "hive.h"
#include "key_path.h"
#include "platform/utf16.h"
#include "sqlite.h"
#include "store_creation.h"
#include "store_file.h"

namespace store {

using platform::Dword;
using platform::Hkey;
using platform::Long;

namespace {

constexpr std::size_t kRootCount = 7;

std::u16string_view NameOr(const char16_t* name) { return name ? name : u""; }

bool IsPredefinedRange(Hkey key) {
    const auto value = static_cast<std::uintptr_t>(key);
    return value >= static_cast<std::uintptr_t>(platform::RootKey(platform::kHkeyClassesRoot)) &&
           value <= static_cast<std::uintptr_t>(platform::RootKey(0x8FFFFFFF));
}

// Names the store cannot keep: too long, or holding half of a surrogate pair, which
// SQLite's text would turn into another character.
bool Unfit(const std::vector<std::u16string_view>& parts) {
    for (const auto part : parts) {
        if (part.size() > kMaxKeyNameLength || platform::HasLoneSurrogate(part)) return true;
    }
    return false;
}

Long StatusOf(const sqlite::Error& error) {
    if (error.IsDiskFull()) return platform::kErrorDiskFull;
    // The file may not be written: the registry's "access denied".
    if (error.IsDenied()) return platform::kErrorAccessDenied;
    return platform::kErrorBadDb;
}

}  // namespace

RegistryStore::RegistryStore(const std::string& path, const platform::InitialContents& contents)
    : path_(path) {
    try {
        memoryDb_ = std::make_unique<sqlite::Database>(":memory:", sqlite::Database::Mode::Memory);
        Hive::CreateSchema(*memoryDb_);
        memoryHive_ = std::make_unique<Hive>(*memoryDb_);
        memoryHive_->CreateTop(u"HKEY_DYN_DATA");
        if (path == kInMemory) {
            fileDb_ =
                std::make_unique<sqlite::Database>(":memory:", sqlite::Database::Mode::Memory);
            SeedNewStore(*fileDb_, contents);
        } else {
            fileDb_ = OpenStoreFile(path, contents);
            readOnly_ = fileDb_->IsReadOnly();
        }
        fileHive_ = std::make_unique<Hive>(*fileDb_);
        FindRoots();
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

void RegistryStore::FindRoots() {
    const auto machine = fileHive_->Top(u"HKEY_LOCAL_MACHINE");
    const auto users = fileHive_->Top(u"HKEY_USERS");
    if (!machine || !users) {
        Refuse(path_, "its root keys are missing");
    }
    auto below = [&](std::int64_t from, std::u16string_view path) -> std::int64_t {
        return fileHive_->Walk(from, *SplitKeyPath(path)).value_or(0);
    };
    Hive* file = fileHive_.get();
    roots_[0] = {file, below(*machine, u"Software\\Classes")};
    roots_[1] = {file, below(*users, u".Default")};
    roots_[2] = {file, *machine};
    roots_[3] = {file, *users};
    roots_[4] = {};  // performance data: no such tree here
    roots_[5] = {file, below(*machine, u"System\\CurrentControlSet\\Hardware Profiles\\Current")};
    roots_[6] = {memoryHive_.get(), *memoryHive_->Top(u"HKEY_DYN_DATA")};
}

// Every call runs through here: an unusable store fails it with ERROR_BADDB. Damage
// found inside a store fails the call that met it; from then on what can still be read
// is read, and nothing more is written to the damaged file.
template <typename Operation>
Long RegistryStore::Guarded(Operation&& operation) {
    if (unusable_) return platform::kErrorBadDb;
    try {
        return operation();
    } catch (const sqlite::Error& error) {
        if (error.IsCorruption() && !damaged_) {
            damaged_ = true;
            problem_ = StoreMessage(path_, std::string("is damaged (") + error.what() +
                                               "): what can still be read is read, and nothing "
                                               "more is written to it.");
        }
        return error.IsCorruption() ? platform::kErrorBadDb : StatusOf(error);
    }
}

// A change to the key a handle names: resolved, checked alive and made in one transaction
// that commits only when the change succeeds.
template <typename Change>
Long RegistryStore::Changing(Hkey handle, Change&& change) {
    if (damaged_) return platform::kErrorBadDb;
    return Guarded([&]() -> Long {
        Resolved base;
        if (const Long status = Resolve(handle, base)) return status;
        if (readOnly_ && base.key.hive == fileHive_.get()) return RefuseWrite();
        sqlite::Transaction transaction(base.key.hive->Db());
        // Inside the transaction, so that a writer we waited for is seen.
        NoteOtherWriters();
        if (const Long status = CheckAlive(base)) return status;
        const Long status = change(base);
        if (status == platform::kErrorSuccess) {
            ++changes_;
            transaction.Commit();
        }
        return status;
    });
}

// A reading of the key a handle names, which must still exist.
template <typename Read>
Long RegistryStore::Reading(Hkey handle, Read&& read) {
    return Guarded([&]() -> Long {
        NoteOtherWriters();
        Resolved base;
        if (const Long status = Resolve(handle, base)) return status;
        if (const Long status = CheckAlive(base)) return status;
        return read(base);
    });
}

// What this process remembers of the file holds only until another process writes to it.
void RegistryStore::NoteOtherWriters() { fileDb_->NoteOtherWriters(); }

Long RegistryStore::Resolve(Hkey handle, Resolved& out) const {
    if (handle == platform::kNullKey) return platform::kErrorInvalidHandle;
    for (std::size_t i = 0; i < kRootCount; ++i) {
        if (handle != platform::RootKey(platform::kHkeyClassesRoot + static_cast<Dword>(i))) {
            continue;
        }
        if (!roots_[i].hive) return platform::kErrorInvalidHandle;
        if (roots_[i].id == 0) return platform::kErrorFileNotFound;
        out = {roots_[i], true};
        return platform::kErrorSuccess;
    }
    const auto found = handles_.find(static_cast<std::uintptr_t>(handle));
    if (found == handles_.end()) return platform::kErrorInvalidHandle;
    out = {found->second, false};
    return platform::kErrorSuccess;
}

// A handle outlives its key when the key is deleted behind it.
Long RegistryStore::CheckAlive(const Resolved& base) const {
    if (base.root || base.key.hive->Exists(base.key.id)) return platform::kErrorSuccess;
    return platform::kErrorKeyDeleted;
}

Hkey RegistryStore::NewHandle(KeyRef key) {
    // Handle values are never reused, so a closed handle stays invalid.
    const std::uintptr_t value = nextHandle_;
    nextHandle_ += 4;
    handles_.emplace(value, key);
    return static_cast<Hkey>(value);
}

bool RegistryStore::IsRootTarget(KeyRef key) const {
    for (const KeyRef& root : roots_) {
        if (root.hive == key.hive && root.id == key.id) return true;
    }
    return false;
}

Long RegistryStore::RegOpenKeyExW(Hkey key, const char16_t* subKey, Dword /*options*/,
                                  platform::Regsam /*access*/, Hkey* result) {
    if (!result) return platform::kErrorInvalidParameter;
    *result = platform::kNullKey;
    return Guarded([&]() -> Long {
        NoteOtherWriters();
        Resolved base;
        if (const Long status = Resolve(key, base)) return status;
        const auto parts = SplitKeyPath(NameOr(subKey));
        if (!parts) return platform::kErrorBadPathname;
        if (Unfit(*parts)) return platform::kErrorInvalidParameter;
        if (parts->empty()) {
            // A predefined root opens as itself; an open key as a new handle to it.
            if (base.root) {
                *result = key;
                return platform::kErrorSuccess;
            }
            if (const Long status = CheckAlive(base)) return status;
            *result = NewHandle(base.key);
            return platform::kErrorSuccess;
        }
        const auto found = base.key.hive->Walk(base.key.id, *parts);
        if (!found) {
            if (const Long status = CheckAlive(base)) return status;
            return platform::kErrorFileNotFound;
        }
        *result = NewHandle({base.key.hive, *found});
        return platform::kErrorSuccess;
    });
}

Long RegistryStore::RegCreateKeyExW(Hkey key, const char16_t* subKey, Dword /*reserved*/,
                                    char16_t* /*className*/, Dword /*options*/,
                                    platform::Regsam /*access*/, const void* /*securityAttributes*/,
                                    Hkey* result, Dword* disposition) {
    if (!result) return platform::kErrorInvalidParameter;
    *result = platform::kNullKey;
    // The handle is made only once the transaction committed.
    KeyRef made;
    bool created = false;
    bool itself = false;
    const Long status = Changing(key, [&](const Resolved& base) -> Long {
        const auto parts = SplitKeyPath(NameOr(subKey));
        if (!parts) return platform::kErrorBadPathname;
        if (Unfit(*parts)) return platform::kErrorInvalidParameter;
        made = {base.key.hive, base.key.hive->WalkCreating(base.key.id, *parts, &created)};
        itself = parts->empty() && base.root;
        return platform::kErrorSuccess;
    });
    if (status != platform::kErrorSuccess) return status;
    if (disposition) {
        *disposition = created ? platform::kRegCreatedNewKey : platform::kRegOpenedExistingKey;
    }
    *result = itself ? key : NewHandle(made);
    return platform::kErrorSuccess;
}

Long RegistryStore::RegQueryValueExW(Hkey key, const char16_t* valueName, Dword* reserved,
                                     Dword* type, std::uint8_t* data, Dword* size) {
    if (reserved || (data && !size)) return platform::kErrorInvalidParameter;
    return Guarded([&]() -> Long {
        NoteOtherWriters();
        Resolved base;
        if (const Long status = Resolve(key, base)) return status;
        const auto value = base.key.hive->FindValue(base.key.id, NameOr(valueName));
        if (!value) {
            if (const Long status = CheckAlive(base)) return status;
            return platform::kErrorFileNotFound;
        }
        const auto stored = static_cast<Dword>(value->data.size());
        if (type) *type = value->type;
        if (!data) {
            if (size) *size = stored;
            return platform::kErrorSuccess;
        }
        if (*size < stored) {
            *size = stored;
            return platform::kErrorMoreData;
        }
        if (stored) std::memcpy(data, value->data.data(), stored);
        *size = stored;
        return platform::kErrorSuccess;
    });
}

Long RegistryStore::RegSetValueExW(Hkey key, const char16_t* valueName, Dword /*reserved*/,
                                   Dword type, const std::uint8_t* data, Dword size) {
    if (!data && size) return platform::kErrorNoAccess;
    const std::u16string_view name = NameOr(valueName);
    if (name.size() > kMaxValueNameLength || platform::HasLoneSurrogate(name)) {
        return platform::kErrorInvalidParameter;
    }
    return Changing(key, [&](const Resolved& base) -> Long {
        base.key.hive->SetValue(base.key.id, NameOr(valueName), type, data, size);
        return platform::kErrorSuccess;
    });
}

Long RegistryStore::RegDeleteKeyW(Hkey key, const char16_t* subKey) {
    if (!subKey) return platform::kErrorInvalidParameter;
    return Changing(key, [&](const Resolved& base) -> Long {
        const auto parts = SplitKeyPath(subKey);
        if (!parts) return platform::kErrorBadPathname;
        Hive& hive = *base.key.hive;
        const auto found = hive.Walk(base.key.id, *parts);
        if (!found) return platform::kErrorFileNotFound;
        const KeyId id = *found;
        // The keys that stand for predefined roots, and keys with subkeys, stay.
        if (IsRootTarget({&hive, id}) || hive.HasChildren(id)) return platform::kErrorAccessDenied;
        hive.DeleteLeaf(id);
        return platform::kErrorSuccess;
    });
}

Long RegistryStore::RegDeleteValueW(Hkey key, const char16_t* valueName) {
    return Changing(key, [&](const Resolved& base) -> Long {
        return base.key.hive->DeleteValue(base.key.id, NameOr(valueName))
                   ? platform::kErrorSuccess
                   : platform::kErrorFileNotFound;
    });
}

Long RegistryStore::RegCloseKey(Hkey key) {
    return Guarded([&]() -> Long {
        if (key == platform::kNullKey) return platform::kErrorInvalidHandle;
        // Every handle in the predefined range closes nothing and succeeds, as on Windows,
        // whether or not it names a root.
        if (IsPredefinedRange(key)) return platform::kErrorSuccess;
        return handles_.erase(static_cast<std::uintptr_t>(key)) ? platform::kErrorSuccess
                                                                : platform::kErrorInvalidHandle;
    });
}

template <typename Item, typename Load>
const std::vector<Item>& RegistryStore::Listed(Listing<Item>& listing, KeyRef key, Load&& load) {
    const std::uint64_t epoch = key.hive->Db().Epoch();
    if (!listing.valid || listing.key.hive != key.hive || listing.key.id != key.id ||
        listing.epoch != epoch || listing.changes != changes_) {
        listing.valid = false;
        listing.items = load();
        listing.key = key;
        listing.epoch = epoch;
        listing.changes = changes_;
        listing.valid = true;
    }
    return listing.items;
}

Long RegistryStore::RegEnumKeyExW(Hkey key, Dword index, char16_t* name, Dword* nameLength,
                                  Dword* /*reserved*/, char16_t* className, Dword* classLength,
                                  void* lastWriteTime) {
    if (!name || !nameLength) return platform::kErrorInvalidParameter;
    return Reading(key, [&](const Resolved& base) -> Long {
        const auto& names =
            Listed(subKeys_, base.key, [&] { return base.key.hive->SubKeyNames(base.key.id); });
        if (index >= names.size()) return platform::kErrorNoMoreItems;
        const std::u16string* found = &names[index];
        if (*nameLength <= found->size()) return platform::kErrorMoreData;
        std::memcpy(name, found->c_str(), (found->size() + 1) * sizeof(char16_t));
        *nameLength = static_cast<Dword>(found->size());
        // The store keeps no classes and no write times.
        if (className && classLength && *classLength) className[0] = u'\0';
        if (classLength) *classLength = 0;
        if (lastWriteTime) std::memset(lastWriteTime, 0, 8);
        return platform::kErrorSuccess;
    });
}

Long RegistryStore::RegEnumValueW(Hkey key, Dword index, char16_t* name, Dword* nameLength,
                                  Dword* /*reserved*/, Dword* type, std::uint8_t* data,
                                  Dword* dataSize) {
    if (!name || !nameLength || (data && !dataSize)) return platform::kErrorInvalidParameter;
    return Reading(key, [&](const Resolved& base) -> Long {
        const auto& values =
            Listed(values_, base.key, [&] { return base.key.hive->Values(base.key.id); });
        if (index >= values.size()) return platform::kErrorNoMoreItems;
        const auto& [valueName, value] = values[index];
        const auto stored = static_cast<Dword>(value.data.size());
        if (*nameLength <= valueName.size()) return platform::kErrorMoreData;
        if (data && *dataSize < stored) {
            *dataSize = stored;
            return platform::kErrorMoreData;
        }
        std::memcpy(name, valueName.c_str(), (valueName.size() + 1) * sizeof(char16_t));
        *nameLength = static_cast<Dword>(valueName.size());
        if (type) *type = value.type;
        if (data && stored) std::memcpy(data, value.data.data(), stored);
        if (dataSize) *dataSize = stored;
        return platform::kErrorSuccess;
    });
}

Long RegistryStore::RegQueryInfoKeyW(Hkey key, char16_t* className, Dword* classLength,
                                     Dword* /*reserved*/, Dword* subKeys, Dword* maxSubKeyLength,
                                     Dword* maxClassLength, Dword* values,
                                     Dword* maxValueNameLength, Dword* maxValueSize,
                                     Dword* securityDescriptorSize, void* lastWriteTime) {
    return Reading(key, [&](const Resolved& base) -> Long {
        const KeyInfo info = base.key.hive->Info(base.key.id);
        if (className && classLength && *classLength) className[0] = u'\0';
        if (classLength) *classLength = 0;
        if (subKeys) *subKeys = info.subKeys;
        if (maxSubKeyLength) *maxSubKeyLength = info.maxSubKeyLength;
        if (maxClassLength) *maxClassLength = 0;
        if (values) *values = info.values;
        if (maxValueNameLength) *maxValueNameLength = info.maxValueNameLength;
        if (maxValueSize) *maxValueSize = info.maxValueSize;
        if (securityDescriptorSize) *securityDescriptorSize = 0;
        if (lastWriteTime) std::memset(lastWriteTime, 0, 8);
        return platform::kErrorSuccess;
    });
}

}  // namespace store
