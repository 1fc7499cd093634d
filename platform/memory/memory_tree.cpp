#include "platform/memory/memory_tree.h"

#include <algorithm>
#include <stdexcept>

#include "platform/registry/key_names.h"

namespace platform {

// Keeps the whole tree as it was, and puts it back unless committed. The trees held in
// memory are small, so a copy is the simplest undo.
class MemoryTree::Batch final : public TreeBatch {
public:
    explicit Batch(MemoryTree& tree) : tree_(tree), saved_(tree.state_) {}
    ~Batch() override {
        if (done_) return;
        tree_.state_ = std::move(saved_);
        ++tree_.generation_;
    }
    void Commit() override { done_ = true; }

private:
    MemoryTree& tree_;
    State saved_;
    bool done_ = false;
};

MemoryTree::MemoryTree() { state_.nodes[kTreeTop]; }

MemoryTree::Node& MemoryTree::At(NodeId key) {
    const auto found = state_.nodes.find(key);
    if (found == state_.nodes.end()) throw std::out_of_range("no such key in the tree");
    return found->second;
}

MemoryTree::Value* MemoryTree::Find(Node& node, std::u16string_view name) {
    const std::u16string folded = FoldName(name);
    for (Value& value : node.values) {
        if (FoldName(value.name) == folded) return &value;
    }
    return nullptr;
}

std::optional<NodeId> MemoryTree::FindChild(NodeId parent, std::u16string_view name) {
    const auto node = state_.nodes.find(parent);
    if (node == state_.nodes.end()) return std::nullopt;
    const auto found = node->second.children.find(FoldName(name));
    if (found == node->second.children.end()) return std::nullopt;
    return found->second;
}

NodeId MemoryTree::CreateChild(NodeId parent, std::u16string_view name) {
    const NodeId id = state_.next++;
    At(parent).children.emplace(FoldName(name), id);
    Node& made = state_.nodes[id];
    made.parent = parent;
    made.name = name;
    return id;
}

std::vector<std::u16string> MemoryTree::ChildNames(NodeId key) {
    std::vector<std::u16string> names;
    for (const auto& [folded, id] : At(key).children) names.push_back(At(id).name);
    return names;
}

bool MemoryTree::Exists(NodeId key) { return key != kTreeTop && state_.nodes.count(key) != 0; }

bool MemoryTree::HasChildren(NodeId key) { return !At(key).children.empty(); }

void MemoryTree::DeleteLeaf(NodeId key) {
    const Node& node = At(key);
    At(node.parent).children.erase(FoldName(node.name));
    state_.nodes.erase(key);
}

std::optional<TreeValue> MemoryTree::FindValue(NodeId key, std::u16string_view name) {
    const auto node = state_.nodes.find(key);
    if (node == state_.nodes.end()) return std::nullopt;
    const Value* value = Find(node->second, name);
    if (!value) return std::nullopt;
    return value->value;
}

void MemoryTree::SetValue(NodeId key, std::u16string_view name, Dword type,
                          const std::uint8_t* data, std::size_t size) {
    Node& node = At(key);
    TreeValue stored{type, std::vector<std::uint8_t>(data, data + size)};
    if (Value* value = Find(node, name)) {
        value->value = std::move(stored);
    } else {
        node.values.push_back({std::u16string(name), std::move(stored)});
    }
}

bool MemoryTree::DeleteValue(NodeId key, std::u16string_view name) {
    Node& node = At(key);
    const Value* value = Find(node, name);
    if (!value) return false;
    node.values.erase(node.values.begin() + (value - node.values.data()));
    return true;
}

std::vector<std::pair<std::u16string, TreeValue>> MemoryTree::Values(NodeId key) {
    std::vector<std::pair<std::u16string, TreeValue>> values;
    for (const Value& value : At(key).values) values.emplace_back(value.name, value.value);
    return values;
}

TreeCounts MemoryTree::Counts(NodeId key) {
    const Node& node = At(key);
    TreeCounts counts;
    for (const auto& [folded, id] : node.children) counts.AddSubKey(At(id).name.size());
    for (const Value& value : node.values) {
        counts.AddValue(value.name.size(), value.value.data.size());
    }
    return counts;
}

std::unique_ptr<TreeBatch> MemoryTree::BeginBatch() { return std::make_unique<Batch>(*this); }

}  // namespace platform
