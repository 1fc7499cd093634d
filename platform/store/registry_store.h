// The registry on platforms without one: a store of our own in one SQLite file, served
// through the registry functions with the real registry's rules and status codes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "platform/initial_contents.h"
#include "platform/store/hive.h"
#include "platform/wide_registry_api.h"

namespace store {

namespace sqlite {
class Database;
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

class RegistryStore final : public platform::AnsiOverWideRegistry {
public:
    // The path that keeps a store in memory only.
    static constexpr const char* kInMemory = ":memory:";

    // Opens the store at path, creating it with its roots and contents when no file is
    // there. A file that cannot be used is left untouched and reported through Problem();
    // every call then fails with ERROR_BADDB.
    explicit RegistryStore(const std::string& path, const platform::InitialContents& contents = {});
    ~RegistryStore() override;
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    // Opens a batch on a usable store; nullopt when the store cannot be used or is busy.
    std::optional<StoreBatch> BeginBatch();

    // Why the store cannot be used, that it was found damaged, or, once a write was
    // refused, that it is read-only, naming its file; empty while it works. A damaged or
    // read-only store goes on serving what can be read and refuses writes.
    const std::optional<std::string>& Problem() const noexcept { return problem_; }

    using Long = platform::Long;
    using Dword = platform::Dword;
    using Hkey = platform::Hkey;

    Long RegOpenKeyExW(Hkey key, const char16_t* subKey, Dword options, platform::Regsam access,
                       Hkey* result) override;
    Long RegCreateKeyExW(Hkey key, const char16_t* subKey, Dword reserved, char16_t* className,
                         Dword options, platform::Regsam access, const void* securityAttributes,
                         Hkey* result, Dword* disposition) override;
    Long RegQueryValueExW(Hkey key, const char16_t* valueName, Dword* reserved, Dword* type,
                          std::uint8_t* data, Dword* size) override;
    Long RegSetValueExW(Hkey key, const char16_t* valueName, Dword reserved, Dword type,
                        const std::uint8_t* data, Dword size) override;
    Long RegDeleteKeyW(Hkey key, const char16_t* subKey) override;
    Long RegDeleteValueW(Hkey key, const char16_t* valueName) override;
    Long RegCloseKey(Hkey key) override;
    Long RegEnumKeyExW(Hkey key, Dword index, char16_t* name, Dword* nameLength, Dword* reserved,
                       char16_t* className, Dword* classLength, void* lastWriteTime) override;
    Long RegEnumValueW(Hkey key, Dword index, char16_t* name, Dword* nameLength, Dword* reserved,
                       Dword* type, std::uint8_t* data, Dword* dataSize) override;
    Long RegQueryInfoKeyW(Hkey key, char16_t* className, Dword* classLength, Dword* reserved,
                          Dword* subKeys, Dword* maxSubKeyLength, Dword* maxClassLength,
                          Dword* values, Dword* maxValueNameLength, Dword* maxValueSize,
                          Dword* securityDescriptorSize, void* lastWriteTime) override;

private:
    // A key as a handle names it: which tree, which row.
    struct KeyRef {
        Hive* hive = nullptr;
        std::int64_t id = 0;
    };
    // What a handle resolves to, and whether it is a predefined root.
    struct Resolved {
        KeyRef key;
        bool root = false;
    };

    template <typename Operation>
    Long Guarded(Operation&& operation);
    template <typename Change>
    Long Changing(Hkey handle, Change&& change);
    template <typename Read>
    Long Reading(Hkey handle, Read&& read);
    void NoteOtherWriters();
    Long RefuseWrite();
    Long Resolve(Hkey handle, Resolved& out) const;
    Long CheckAlive(const Resolved& base) const;
    Hkey NewHandle(KeyRef key);
    bool IsRootTarget(KeyRef key) const;
    void FindRoots();

    std::string path_;
    std::optional<std::string> problem_;
    bool unusable_ = false;
    bool damaged_ = false;
    bool readOnly_ = false;
    std::unique_ptr<sqlite::Database> fileDb_, memoryDb_;
    std::unique_ptr<Hive> fileHive_, memoryHive_;
    // One entry per root code from HKEY_CLASSES_ROOT to HKEY_DYN_DATA; id 0 is no key.
    std::array<KeyRef, 7> roots_{};
    std::unordered_map<std::uintptr_t, KeyRef> handles_;
    // The last key listed, so that enumerating it index by index reads it once. A listing
    // holds while its database's epoch and this store's count of changes stay the same.
    template <typename Item>
    struct Listing {
        KeyRef key;
        std::uint64_t epoch = 0, changes = 0;
        bool valid = false;
        std::vector<Item> items;
    };
    template <typename Item, typename Load>
    const std::vector<Item>& Listed(Listing<Item>& listing, KeyRef key, Load&& load);
    Listing<std::u16string> subKeys_;
    Listing<std::pair<std::u16string, StoredValue>> values_;
    std::uint64_t changes_ = 0;
    std::uintptr_t nextHandle_ = 0x1000;
};

}  // namespace store
