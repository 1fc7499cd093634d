// One key above the root keys of several trees, each under its own name: HKEY_LOCAL_MACHINE
// above the SOFTWARE and SYSTEM hives, HKEY_USERS above a Wine prefix's user.reg and
// userdef.reg. Keys of the trees keep their places in them; this tree only numbers them apart.
#pragma once

#include <string>
#include <vector>

#include "platform/registry/registry_tree.h"

namespace platform {

class JoinedTree final : public RegistryTree {
public:
    // The order in which the key above lists the trees' root keys.
    using NameLess = bool (*)(std::u16string_view, std::u16string_view);

    // The key above the trees, the only child of the top.
    static constexpr NodeId kJoinKey = 1;

    // Each member's root key is the one child of its top, found under that child's name
    // (asked afresh, since a file may name it when read). The members must outlive the tree.
    JoinedTree(std::u16string name, std::vector<RegistryTree*> members, NameLess less)
        : name_(std::move(name)), members_(std::move(members)), less_(less) {}

    // The number this tree gives a key of one of its members.
    NodeId Outer(std::size_t member, NodeId inner) const;

    std::optional<NodeId> FindChild(NodeId parent, std::u16string_view name) override;
    NodeId CreateChild(NodeId parent, std::u16string_view name) override;
    std::vector<std::u16string> ChildNames(NodeId key) override;
    bool Exists(NodeId key) override;
    bool HasChildren(NodeId key) override;
    void DeleteLeaf(NodeId key) override;
    std::optional<TreeValue> FindValue(NodeId key, std::u16string_view name) override;
    void SetValue(NodeId key, std::u16string_view name, Dword type, const std::uint8_t* data,
                  std::size_t size) override;
    bool DeleteValue(NodeId key, std::u16string_view name) override;
    std::vector<std::pair<std::u16string, TreeValue>> Values(NodeId key) override;
    TreeCounts Counts(NodeId key) override;
    std::optional<std::u16string> LinkTarget(NodeId key) override;
    // A batch of every member; each member that changed is written when it commits.
    std::unique_ptr<TreeBatch> BeginBatch() override;
    void Refresh() override;
    std::uint64_t Generation() const override;

private:
    struct Inner {
        std::size_t index;
        RegistryTree* tree;
        NodeId id;
    };
    Inner Decode(NodeId key) const;
    bool IsOwn(NodeId key) const { return key == kTreeTop || key == kJoinKey; }

    std::u16string name_;
    std::vector<RegistryTree*> members_;
    NameLess less_;
};

}  // namespace platform
