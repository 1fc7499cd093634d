// One tree with another mounted at a key below its root: HKEY_LOCAL_MACHINE of Windows ME,
// whose Software\Classes is the file CLASSES.DAT. Keys of each tree keep their places in
// it; this tree only numbers them apart.
#pragma once

#include "platform/registry/registry_tree.h"

namespace creg {

class MountedTree final : public platform::RegistryTree {
public:
    // mounted's key mountedRoot stands as child `name` of base's key `parentName` below
    // baseRoot; without mounted the tree is base alone. The trees must outlive this one.
    MountedTree(platform::RegistryTree& base, platform::NodeId baseRoot, std::u16string parentName,
                std::u16string name, platform::RegistryTree* mounted, platform::NodeId mountedRoot);

    // The number this tree gives a key of base.
    static platform::NodeId Outer(platform::NodeId inner) { return inner * 2; }

    std::optional<platform::NodeId> FindChild(platform::NodeId parent,
                                              std::u16string_view name) override;
    platform::NodeId CreateChild(platform::NodeId parent, std::u16string_view name) override;
    std::vector<std::u16string> ChildNames(platform::NodeId key) override;
    bool Exists(platform::NodeId key) override;
    bool HasChildren(platform::NodeId key) override;
    void DeleteLeaf(platform::NodeId key) override;
    std::optional<platform::TreeValue> FindValue(platform::NodeId key,
                                                 std::u16string_view name) override;
    void SetValue(platform::NodeId key, std::u16string_view name, platform::Dword type,
                  const std::uint8_t* data, std::size_t size) override;
    bool DeleteValue(platform::NodeId key, std::u16string_view name) override;
    std::vector<std::pair<std::u16string, platform::TreeValue>> Values(
        platform::NodeId key) override;
    platform::TreeCounts Counts(platform::NodeId key) override;
    // A batch of both trees.
    std::unique_ptr<platform::TreeBatch> BeginBatch() override;
    void Refresh() override;
    std::uint64_t Generation() const override;

private:
    struct Inner {
        platform::RegistryTree* tree;
        platform::NodeId id;
        bool mounted;
    };
    Inner Decode(platform::NodeId key) const;
    platform::NodeId Encode(const Inner& inner, platform::NodeId id) const {
        return id * 2 + (inner.mounted ? 1 : 0);
    }
    // Whether key is the base key the mounted tree hangs below.
    bool IsMountParent(const Inner& key);

    platform::RegistryTree& base_;
    platform::NodeId baseRoot_;
    std::u16string parentName_, name_;
    platform::RegistryTree* mounted_;
    platform::NodeId mountedRoot_;
};

}  // namespace creg
