// A tree of keys and values held in memory only: HKEY_DYN_DATA, which no file keeps, and
// registries made for a test.
#pragma once

#include <map>
#include <unordered_map>

#include "platform/registry/registry_tree.h"

namespace platform {

class MemoryTree final : public RegistryTree {
public:
    MemoryTree();

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
    std::unique_ptr<TreeBatch> BeginBatch() override;
    // Nobody else sees this tree: nothing to look for.
    void Refresh() override {}
    std::uint64_t Generation() const override { return generation_; }

private:
    struct Value {
        std::u16string name;
        TreeValue value;
    };
    struct Node {
        NodeId parent = kTreeTop;
        std::u16string name;
        // Children by folded name, which orders them as the registry lists them.
        std::map<std::u16string, NodeId> children;
        // Values in the order they were made.
        std::vector<Value> values;
    };
    // Everything a batch would put back.
    struct State {
        std::unordered_map<NodeId, Node> nodes;
        NodeId next = 1;
    };
    class Batch;

    Node& At(NodeId key);
    Value* Find(Node& node, std::u16string_view name);

    State state_;
    std::uint64_t generation_ = 0;
};

}  // namespace platform
