#include "platform/registry/joined_tree.h"

#include <algorithm>
#include <stdexcept>

#include "platform/registry/key_names.h"
#include "platform/registry/tree_batches.h"

namespace platform {
namespace {

[[noreturn]] void RefuseOwn() {
    throw std::invalid_argument("the key above the files holds their root keys only");
}

}  // namespace

NodeId JoinedTree::Outer(std::size_t member, NodeId inner) const {
    return inner * static_cast<NodeId>(members_.size()) + static_cast<NodeId>(member) + 2;
}

JoinedTree::Inner JoinedTree::Decode(NodeId key) const {
    const auto count = static_cast<NodeId>(members_.size());
    const auto index = static_cast<std::size_t>((key - 2) % count);
    return {index, members_.at(index), (key - 2) / count};
}

std::optional<NodeId> JoinedTree::FindChild(NodeId parent, std::u16string_view name) {
    if (parent == kTreeTop) {
        if (FoldName(name) == FoldName(name_)) return kJoinKey;
        return std::nullopt;
    }
    if (parent == kJoinKey) {
        for (std::size_t i = 0; i < members_.size(); ++i) {
            if (const auto root = members_[i]->FindChild(kTreeTop, name)) return Outer(i, *root);
        }
        return std::nullopt;
    }
    const Inner inner = Decode(parent);
    const auto found = inner.tree->FindChild(inner.id, name);
    if (!found) return std::nullopt;
    return Outer(inner.index, *found);
}

NodeId JoinedTree::CreateChild(NodeId parent, std::u16string_view name) {
    if (IsOwn(parent)) RefuseOwn();
    const Inner inner = Decode(parent);
    return Outer(inner.index, inner.tree->CreateChild(inner.id, name));
}

std::vector<std::u16string> JoinedTree::ChildNames(NodeId key) {
    if (key == kTreeTop) return {name_};
    if (key == kJoinKey) {
        std::vector<std::u16string> names;
        for (RegistryTree* member : members_) {
            for (auto& name : member->ChildNames(kTreeTop)) names.push_back(std::move(name));
        }
        std::sort(names.begin(), names.end(), less_);
        return names;
    }
    const Inner inner = Decode(key);
    return inner.tree->ChildNames(inner.id);
}

bool JoinedTree::Exists(NodeId key) {
    if (IsOwn(key)) return key == kJoinKey;
    const Inner inner = Decode(key);
    return inner.tree->Exists(inner.id);
}

bool JoinedTree::HasChildren(NodeId key) {
    if (IsOwn(key)) return true;
    const Inner inner = Decode(key);
    return inner.tree->HasChildren(inner.id);
}

void JoinedTree::DeleteLeaf(NodeId key) {
    if (IsOwn(key)) RefuseOwn();
    const Inner inner = Decode(key);
    inner.tree->DeleteLeaf(inner.id);
}

std::optional<TreeValue> JoinedTree::FindValue(NodeId key, std::u16string_view name) {
    if (IsOwn(key)) return std::nullopt;
    const Inner inner = Decode(key);
    return inner.tree->FindValue(inner.id, name);
}

void JoinedTree::SetValue(NodeId key, std::u16string_view name, Dword type,
                          const std::uint8_t* data, std::size_t size) {
    if (IsOwn(key)) RefuseOwn();
    const Inner inner = Decode(key);
    inner.tree->SetValue(inner.id, name, type, data, size);
}

bool JoinedTree::DeleteValue(NodeId key, std::u16string_view name) {
    if (IsOwn(key)) return false;
    const Inner inner = Decode(key);
    return inner.tree->DeleteValue(inner.id, name);
}

std::vector<std::pair<std::u16string, TreeValue>> JoinedTree::Values(NodeId key) {
    if (IsOwn(key)) return {};
    const Inner inner = Decode(key);
    return inner.tree->Values(inner.id);
}

TreeCounts JoinedTree::Counts(NodeId key) {
    if (IsOwn(key)) {
        TreeCounts counts;
        for (const auto& name : ChildNames(key)) counts.AddSubKey(name.size());
        return counts;
    }
    const Inner inner = Decode(key);
    return inner.tree->Counts(inner.id);
}

std::optional<std::u16string> JoinedTree::LinkTarget(NodeId key) {
    if (IsOwn(key)) return std::nullopt;
    const Inner inner = Decode(key);
    return inner.tree->LinkTarget(inner.id);
}

std::unique_ptr<TreeBatch> JoinedTree::BeginBatch() {
    std::vector<std::unique_ptr<TreeBatch>> batches;
    for (RegistryTree* member : members_) batches.push_back(member->BeginBatch());
    return std::make_unique<TreeBatches>(std::move(batches));
}

void JoinedTree::Refresh() {
    for (RegistryTree* member : members_) member->Refresh();
}

std::uint64_t JoinedTree::Generation() const {
    std::uint64_t sum = 0;
    for (const RegistryTree* member : members_) sum += member->Generation();
    return sum;
}

}  // namespace platform
