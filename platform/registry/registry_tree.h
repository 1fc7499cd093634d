// What a registry file format offers the registry functions: a tree of keys and typed
// values. Keys are numbered by the tree; names are matched folded (FoldName) and kept
// in the spelling they were made with. The registry's rules (handles, roots, sizes,
// status codes) are not the tree's: TreeRegistry applies them over any tree.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win_types.h"

namespace platform {

// A key of a tree. Numbers are never reused, so a number outlives nothing it named.
using NodeId = std::int64_t;

// The node above the tree's top keys; it is no key itself.
inline constexpr NodeId kTreeTop = 0;

// A stored value.
struct TreeValue {
    Dword type = 0;
    std::vector<std::uint8_t> data;
};

// Counts and longest lengths (UTF-16 units, data bytes) below one key.
struct TreeCounts {
    Dword subKeys = 0, maxSubKeyLength = 0;
    Dword values = 0, maxValueNameLength = 0, maxValueSize = 0;

    // Counts a subkey with a name of nameLength units.
    void AddSubKey(std::size_t nameLength) {
        ++subKeys;
        maxSubKeyLength = std::max(maxSubKeyLength, static_cast<Dword>(nameLength));
    }
    // Counts a value with a name of nameLength units and dataSize bytes of data.
    void AddValue(std::size_t nameLength, std::size_t dataSize) {
        ++values;
        maxValueNameLength = std::max(maxValueNameLength, static_cast<Dword>(nameLength));
        maxValueSize = std::max(maxValueSize, static_cast<Dword>(dataSize));
    }
};

// Changes made while a batch is open take effect together on Commit, or not at all when
// the batch goes without one. Batches nest.
class TreeBatch {
public:
    virtual ~TreeBatch() = default;
    virtual void Commit() = 0;
};

// A key that no longer exists has no child and no value to find. A tree may throw on a
// failure of its storage; the registry that owns it says what the failure means
// (TreeRegistry::StorageFailure).
class RegistryTree {
public:
    virtual ~RegistryTree() = default;

    // The child of parent with the given name, when there is one.
    virtual std::optional<NodeId> FindChild(NodeId parent, std::u16string_view name) = 0;
    // Makes a child that does not exist yet.
    virtual NodeId CreateChild(NodeId parent, std::u16string_view name) = 0;
    // The children's names, in the order of their folded names, or in the order the format's
    // own program lists them.
    virtual std::vector<std::u16string> ChildNames(NodeId key) = 0;
    virtual bool Exists(NodeId key) = 0;
    virtual bool HasChildren(NodeId key) = 0;
    // Deletes a key that has no children, with its values.
    virtual void DeleteLeaf(NodeId key) = 0;

    virtual std::optional<TreeValue> FindValue(NodeId key, std::u16string_view name) = 0;
    // Makes or replaces a value; a replaced value keeps its first spelling and its place.
    virtual void SetValue(NodeId key, std::u16string_view name, Dword type,
                          const std::uint8_t* data, std::size_t size) = 0;
    // False when there was no such value.
    virtual bool DeleteValue(NodeId key, std::u16string_view name) = 0;
    // The values' names, types and data, in the order the values were made, or in the order
    // the format's own program lists them.
    virtual std::vector<std::pair<std::u16string, TreeValue>> Values(NodeId key) = 0;
    virtual TreeCounts Counts(NodeId key) = 0;
    // For a key that is a symbolic link, the path of the key it stands for, spelled from
    // the registry's own root ("\\Registry\\Machine\\System\\ControlSet001"); nullopt for
    // any other key, and in a format that has no links.
    virtual std::optional<std::u16string> LinkTarget(NodeId /*key*/) { return std::nullopt; }

    // Opens a batch (see TreeBatch).
    virtual std::unique_ptr<TreeBatch> BeginBatch() = 0;
    // Opens a batch around a change the tree makes in one step, one value set or deleted.
    // A tree that undoes a failed step by itself needs none inside a batch already open,
    // and gives null there.
    virtual std::unique_ptr<TreeBatch> BeginStep() { return BeginBatch(); }
    // Looks whether another process changed the tree since the last look. What is read in
    // between is one state of the tree and may be remembered while Generation() holds.
    virtual void Refresh() = 0;
    // A number that changes whenever what was read before may no longer hold: another
    // process changed the tree, or a batch was rolled back.
    virtual std::uint64_t Generation() const = 0;
};

}  // namespace platform
