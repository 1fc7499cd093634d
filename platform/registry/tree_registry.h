// The registry functions, Unicode and 8-bit, with Windows' rules over trees of keys: the
// predefined roots and their links, handles, names matched without regard to case, sizes
// and ERROR_MORE_DATA, and the status codes. A registry file format supplies the trees.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/registry/root_map.h"
#include "platform/wide_registry_api.h"

namespace platform {

class TreeRegistry : public AnsiOverWideRegistry {
public:
    // The roots must outlive the registry, and so must the trees they name.
    explicit TreeRegistry(const RootMap& roots) : roots_(&roots) {}

    Long RegOpenKeyExW(Hkey key, const char16_t* subKey, Dword options, Regsam access,
                       Hkey* result) final;
    Long RegCreateKeyExW(Hkey key, const char16_t* subKey, Dword reserved, char16_t* className,
                         Dword options, Regsam access, const void* securityAttributes, Hkey* result,
                         Dword* disposition) final;
    Long RegQueryValueExW(Hkey key, const char16_t* valueName, Dword* reserved, Dword* type,
                          std::uint8_t* data, Dword* size) final;
    Long RegSetValueExW(Hkey key, const char16_t* valueName, Dword reserved, Dword type,
                        const std::uint8_t* data, Dword size) final;
    Long RegDeleteKeyW(Hkey key, const char16_t* subKey) final;
    Long RegDeleteValueW(Hkey key, const char16_t* valueName) final;
    Long RegCloseKey(Hkey key) final;
    Long RegEnumKeyExW(Hkey key, Dword index, char16_t* name, Dword* nameLength, Dword* reserved,
                       char16_t* className, Dword* classLength, void* lastWriteTime) final;
    Long RegEnumValueW(Hkey key, Dword index, char16_t* name, Dword* nameLength, Dword* reserved,
                       Dword* type, std::uint8_t* data, Dword* dataSize) final;
    Long RegQueryInfoKeyW(Hkey key, char16_t* className, Dword* classLength, Dword* reserved,
                          Dword* subKeys, Dword* maxSubKeyLength, Dword* maxClassLength,
                          Dword* values, Dword* maxValueNameLength, Dword* maxValueSize,
                          Dword* securityDescriptorSize, void* lastWriteTime) final;

protected:
    // Where the trees' storage decides: every call first asks Refusal (change tells a
    // change from a reading), a change asks WriteRefusal for the tree it would change, and
    // a failure the storage threw is turned into a status by StorageFailure, which is
    // called inside the catch and may rethrow it to look at it.
    virtual Long Refusal(bool /*change*/) { return kErrorSuccess; }
    virtual Long WriteRefusal(const RegistryTree& /*tree*/) { return kErrorSuccess; }
    virtual Long StorageFailure() = 0;

private:
    struct Resolved {
        TreeKey key;
        bool root = false;
    };
    template <typename Operation>
    Long Guarded(bool change, Operation&& operation);
    // A change that the tree makes in one step (one value set or deleted) goes in a step
    // rather than a batch (RegistryTree::BeginStep).
    enum class Steps { kOne, kMany };
    template <typename Change>
    Long Changing(Hkey handle, Change&& change, Steps steps = Steps::kMany);
    template <typename Read>
    Long Reading(Hkey handle, Read&& read);
    Long Resolve(Hkey handle, Resolved& out) const;
    Long CheckAlive(const Resolved& base) const;
    Hkey NewHandle(TreeKey key);

    // The last key listed, so that listing it index by index reads it once. A listing
    // holds while its tree's generation and this registry's count of changes stay.
    template <typename Item>
    struct Listing {
        TreeKey key;
        std::uint64_t generation = 0, changes = 0;
        bool valid = false;
        std::vector<Item> items;
    };
    template <typename Item, typename Load>
    const std::vector<Item>& Listed(Listing<Item>& listing, TreeKey key, Load&& load);

    const RootMap* roots_;
    std::unordered_map<std::uintptr_t, TreeKey> handles_;
    Listing<std::u16string> subKeys_;
    Listing<std::pair<std::u16string, TreeValue>> values_;
    std::uint64_t changes_ = 0;
    std::uintptr_t nextHandle_ = 0x1000;
};

}  // namespace platform
