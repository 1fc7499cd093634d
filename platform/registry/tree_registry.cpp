#include "platform/registry/tree_registry.h"

#include <optional>

#include "platform/registry/key_names.h"
#include "platform/registry/out_parameters.h"
#include "platform/utf16.h"

namespace platform {
namespace {

std::u16string_view NameOr(const char16_t* name) { return name ? name : u""; }

bool IsPredefinedRange(Hkey key) {
    const auto value = static_cast<std::uintptr_t>(key);
    return value >= static_cast<std::uintptr_t>(RootKey(kHkeyClassesRoot)) &&
           value <= static_cast<std::uintptr_t>(RootKey(0x8FFFFFFF));
}

// Names no registry keeps: too long, or holding half of a surrogate pair, which is no
// character.
bool Unfit(const std::vector<std::u16string_view>& parts) {
    for (const auto part : parts) {
        if (part.size() > kMaxKeyNameLength || HasLoneSurrogate(part)) return true;
    }
    return false;
}

}  // namespace

// Every call runs through here: the storage may refuse it outright, and a failure of the
// storage becomes the status its owner gives it.
template <typename Operation>
Long TreeRegistry::Guarded(bool change, Operation&& operation) {
    if (const Long refused = Refusal(change)) return refused;
    try {
        return operation();
    } catch (...) {
        return StorageFailure();
    }
}

// A change to the key a handle names: resolved, checked alive and made in one batch that
// commits only when the change succeeds.
template <typename Change>
Long TreeRegistry::Changing(Hkey handle, Change&& change, Steps steps) {
    return Guarded(true, [&]() -> Long {
        Resolved base;
        if (const Long status = Resolve(handle, base)) return status;
        if (const Long status = WriteRefusal(*base.key.tree)) return status;
        const auto batch = steps == Steps::kOne ? base.key.tree->BeginStep()
                                                : base.key.tree->BeginBatch();
        // Inside the batch, so that a writer waited for is seen.
        base.key.tree->Refresh();
        if (const Long status = CheckAlive(base)) return status;
        const Long status = change(base);
        if (status == kErrorSuccess) {
            ++changes_;
            if (batch) batch->Commit();
        }
        return status;
    });
}

// A reading of the key a handle names, which must still exist.
template <typename Read>
Long TreeRegistry::Reading(Hkey handle, Read&& read) {
    return Guarded(false, [&]() -> Long {
        Resolved base;
        if (const Long status = Resolve(handle, base)) return status;
        base.key.tree->Refresh();
        if (const Long status = CheckAlive(base)) return status;
        return read(base);
    });
}

Long TreeRegistry::Resolve(Hkey handle, Resolved& out) const {
    if (handle == kNullKey) return kErrorInvalidHandle;
    if (const TreeKey* root = roots_->Find(handle)) {
        if (!root->tree) return kErrorInvalidHandle;
        if (root->id == 0) return kErrorFileNotFound;
        out = {*root, true};
        return kErrorSuccess;
    }
    const auto found = handles_.find(static_cast<std::uintptr_t>(handle));
    if (found == handles_.end()) return kErrorInvalidHandle;
    out = {found->second, false};
    return kErrorSuccess;
}

// A handle outlives its key when the key is deleted behind it.
Long TreeRegistry::CheckAlive(const Resolved& base) const {
    if (base.root || base.key.tree->Exists(base.key.id)) return kErrorSuccess;
    return kErrorKeyDeleted;
}

Hkey TreeRegistry::NewHandle(TreeKey key) {
    // Handle values are never reused, so a closed handle stays invalid.
    const std::uintptr_t value = nextHandle_;
    nextHandle_ += 4;
    handles_.emplace(value, key);
    return static_cast<Hkey>(value);
}

Long TreeRegistry::RegOpenKeyExW(Hkey key, const char16_t* subKey, Dword options,
                                 Regsam /*access*/, Hkey* result) {
    if (!result) return kErrorInvalidParameter;
    *result = kNullKey;
    return Guarded(false, [&]() -> Long {
        Resolved base;
        if (const Long status = Resolve(key, base)) return status;
        base.key.tree->Refresh();
        const auto parts = SplitKeyPath(NameOr(subKey));
        if (!parts) return kErrorBadPathname;
        if (Unfit(*parts)) return kErrorInvalidParameter;
        if (parts->empty()) {
            // A predefined root opens as itself; an open key as a new handle to it.
            if (base.root) {
                *result = key;
                return kErrorSuccess;
            }
            if (const Long status = CheckAlive(base)) return status;
            *result = NewHandle(base.key);
            return kErrorSuccess;
        }
        const auto found = roots_->Walk(base.key, *parts, (options & kRegOptionOpenLink) != 0);
        if (!found) {
            if (const Long status = CheckAlive(base)) return status;
            return kErrorFileNotFound;
        }
        *result = NewHandle(*found);
        return kErrorSuccess;
    });
}

Long TreeRegistry::RegCreateKeyExW(Hkey key, const char16_t* subKey, Dword /*reserved*/,
                                   char16_t* /*className*/, Dword /*options*/, Regsam /*access*/,
                                   const void* /*securityAttributes*/, Hkey* result,
                                   Dword* disposition) {
    if (!result) return kErrorInvalidParameter;
    *result = kNullKey;
    // The handle is made only once the batch committed.
    TreeKey made;
    bool created = false;
    bool itself = false;
    const Long status = Changing(key, [&](const Resolved& base) -> Long {
        const auto parts = SplitKeyPath(NameOr(subKey));
        if (!parts) return kErrorBadPathname;
        if (Unfit(*parts)) return kErrorInvalidParameter;
        const auto reached = roots_->Reach(base.key, *parts);
        if (!reached) return kErrorFileNotFound;
        made = reached->key;
        itself = parts->empty() && base.root;
        if (reached->names == parts->size()) return kErrorSuccess;
        // A link led into another tree: the keys made there are that tree's change.
        RegistryTree& tree = *made.tree;
        std::unique_ptr<TreeBatch> elsewhere;
        if (&tree != base.key.tree) {
            if (const Long status = WriteRefusal(tree)) return status;
            elsewhere = tree.BeginBatch();
        }
        for (std::size_t i = reached->names; i < parts->size(); ++i) {
            made.id = tree.CreateChild(made.id, (*parts)[i]);
        }
        created = true;
        if (elsewhere) elsewhere->Commit();
        return kErrorSuccess;
    });
    if (status != kErrorSuccess) return status;
    if (disposition) *disposition = created ? kRegCreatedNewKey : kRegOpenedExistingKey;
    *result = itself ? key : NewHandle(made);
    return kErrorSuccess;
}

Long TreeRegistry::RegSetValueExW(Hkey key, const char16_t* valueName, Dword /*reserved*/,
                                  Dword type, const std::uint8_t* data, Dword size) {
    if (!data && size) return kErrorNoAccess;
    const std::u16string_view name = NameOr(valueName);
    if (name.size() > kMaxValueNameLength || HasLoneSurrogate(name)) {
        return kErrorInvalidParameter;
    }
    return Changing(key, [&](const Resolved& base) -> Long {
        base.key.tree->SetValue(base.key.id, name, type, data, size);
        return kErrorSuccess;
    }, Steps::kOne);
}

Long TreeRegistry::RegDeleteKeyW(Hkey key, const char16_t* subKey) {
    if (!subKey) return kErrorInvalidParameter;
    return Changing(key, [&](const Resolved& base) -> Long {
        const auto parts = SplitKeyPath(subKey);
        if (!parts) return kErrorBadPathname;
        // A link named last goes, as on Windows, for the key it stands for.
        const auto found = roots_->Walk(base.key, *parts);
        if (!found) return kErrorFileNotFound;
        RegistryTree& tree = *found->tree;
        // The keys that stand for predefined roots, and keys with subkeys, stay.
        if (roots_->IsRootTarget(*found) || tree.HasChildren(found->id)) {
            return kErrorAccessDenied;
        }
        std::unique_ptr<TreeBatch> elsewhere;
        if (&tree != base.key.tree) {
            if (const Long status = WriteRefusal(tree)) return status;
            elsewhere = tree.BeginBatch();
        }
        tree.DeleteLeaf(found->id);
        if (elsewhere) elsewhere->Commit();
        return kErrorSuccess;
    });
}

Long TreeRegistry::RegDeleteValueW(Hkey key, const char16_t* valueName) {
    return Changing(key, [&](const Resolved& base) -> Long {
        return base.key.tree->DeleteValue(base.key.id, NameOr(valueName)) ? kErrorSuccess
                                                                          : kErrorFileNotFound;
    }, Steps::kOne);
}

Long TreeRegistry::RegCloseKey(Hkey key) {
    return Guarded(false, [&]() -> Long {
        if (key == kNullKey) return kErrorInvalidHandle;
        // Every handle in the predefined range closes nothing and succeeds, as on Windows,
        // whether or not it names a root.
        if (IsPredefinedRange(key)) return kErrorSuccess;
        return handles_.erase(static_cast<std::uintptr_t>(key)) ? kErrorSuccess
                                                                : kErrorInvalidHandle;
    });
}

Long TreeRegistry::RegQueryValueExW(Hkey key, const char16_t* valueName, Dword* reserved,
                                    Dword* type, std::uint8_t* data, Dword* size) {
    if (reserved || (data && !size)) return kErrorInvalidParameter;
    return Guarded(false, [&]() -> Long {
        Resolved base;
        if (const Long status = Resolve(key, base)) return status;
        base.key.tree->Refresh();
        const auto value = base.key.tree->FindValue(base.key.id, NameOr(valueName));
        if (!value) {
            if (const Long status = CheckAlive(base)) return status;
            return kErrorFileNotFound;
        }
        return CopyValue(*value, type, data, size);
    });
}

template <typename Item, typename Load>
const std::vector<Item>& TreeRegistry::Listed(Listing<Item>& listing, TreeKey key, Load&& load) {
    const std::uint64_t generation = key.tree->Generation();
    if (!listing.valid || listing.key != key || listing.generation != generation ||
        listing.changes != changes_) {
        listing.valid = false;
        listing.items = load();
        listing.key = key;
        listing.generation = generation;
        listing.changes = changes_;
        listing.valid = true;
    }
    return listing.items;
}

Long TreeRegistry::RegEnumKeyExW(Hkey key, Dword index, char16_t* name, Dword* nameLength,
                                 Dword* /*reserved*/, char16_t* className, Dword* classLength,
                                 void* lastWriteTime) {
    if (!name || !nameLength) return kErrorInvalidParameter;
    return Reading(key, [&](const Resolved& base) -> Long {
        const auto& names =
            Listed(subKeys_, base.key, [&] { return base.key.tree->ChildNames(base.key.id); });
        if (index >= names.size()) return kErrorNoMoreItems;
        if (const Long status = CopyListedName(names[index], name, nameLength)) return status;
        ClearClassAndTime(className, classLength, lastWriteTime);
        return kErrorSuccess;
    });
}

Long TreeRegistry::RegEnumValueW(Hkey key, Dword index, char16_t* name, Dword* nameLength,
                                 Dword* /*reserved*/, Dword* type, std::uint8_t* data,
                                 Dword* dataSize) {
    if (!name || !nameLength || (data && !dataSize)) return kErrorInvalidParameter;
    return Reading(key, [&](const Resolved& base) -> Long {
        const auto& values =
            Listed(values_, base.key, [&] { return base.key.tree->Values(base.key.id); });
        if (index >= values.size()) return kErrorNoMoreItems;
        const auto& [valueName, value] = values[index];
        if (*nameLength <= valueName.size()) return kErrorMoreData;
        // The data is measured before the name is copied: a short data buffer leaves the
        // name's buffer as it was.
        if (data && *dataSize < value.data.size()) {
            *dataSize = static_cast<Dword>(value.data.size());
            return kErrorMoreData;
        }
        CopyListedName(valueName, name, nameLength);
        return CopyValue(value, type, data, dataSize);
    });
}

Long TreeRegistry::RegQueryInfoKeyW(Hkey key, char16_t* className, Dword* classLength,
                                    Dword* /*reserved*/, Dword* subKeys, Dword* maxSubKeyLength,
                                    Dword* maxClassLength, Dword* values, Dword* maxValueNameLength,
                                    Dword* maxValueSize, Dword* securityDescriptorSize,
                                    void* lastWriteTime) {
    return Reading(key, [&](const Resolved& base) -> Long {
        const TreeCounts counts = base.key.tree->Counts(base.key.id);
        ClearClassAndTime(className, classLength, lastWriteTime);
        if (subKeys) *subKeys = counts.subKeys;
        if (maxSubKeyLength) *maxSubKeyLength = counts.maxSubKeyLength;
        if (maxClassLength) *maxClassLength = 0;
        if (values) *values = counts.values;
        if (maxValueNameLength) *maxValueNameLength = counts.maxValueNameLength;
        if (maxValueSize) *maxValueSize = counts.maxValueSize;
        if (securityDescriptorSize) *securityDescriptorSize = 0;
        return kErrorSuccess;
    });
}

}  // namespace platform
