#include "platform/creg/mounted_tree.h"

#include <algorithm>
#include <stdexcept>

#include "platform/registry/key_names.h"
#include "platform/registry/tree_batches.h"

namespace creg {

using platform::NodeId;

MountedTree::MountedTree(platform::RegistryTree& base, NodeId baseRoot, std::u16string parentName,
                         std::u16string name, platform::RegistryTree* mounted, NodeId mountedRoot)
    : base_(base),
      baseRoot_(baseRoot),
      parentName_(std::move(parentName)),
      name_(std::move(name)),
      mounted_(mounted),
      mountedRoot_(mountedRoot) {}

MountedTree::Inner MountedTree::Decode(NodeId key) const {
    if (key % 2 == 1 && mounted_) return {mounted_, key / 2, true};
    return {&base_, key / 2, false};
}

bool MountedTree::IsMountParent(const Inner& key) {
    if (!mounted_ || key.mounted) return false;
    const auto parent = base_.FindChild(baseRoot_, parentName_);
    return parent && *parent == key.id;
}

std::optional<NodeId> MountedTree::FindChild(NodeId parent, std::u16string_view name) {
    const Inner inner = Decode(parent);
    if (IsMountParent(inner) && platform::FoldName(name) == platform::FoldName(name_)) {
        return Encode({mounted_, 0, true}, mountedRoot_);
    }
    const auto found = inner.tree->FindChild(inner.id, name);
    if (!found) return std::nullopt;
    return Encode(inner, *found);
}

NodeId MountedTree::CreateChild(NodeId parent, std::u16string_view name) {
    const Inner inner = Decode(parent);
    return Encode(inner, inner.tree->CreateChild(inner.id, name));
}

std::vector<std::u16string> MountedTree::ChildNames(NodeId key) {
    const Inner inner = Decode(key);
    std::vector<std::u16string> names = inner.tree->ChildNames(inner.id);
    if (IsMountParent(inner)) {
        const std::u16string folded = platform::FoldName(name_);
        std::erase_if(names, [&](const auto& n) { return platform::FoldName(n) == folded; });
        names.insert(std::upper_bound(names.begin(), names.end(), name_,
                                      [](const auto& a, const auto& b) {
                                          return platform::FoldName(a) < platform::FoldName(b);
                                      }),
                     name_);
    }
    return names;
}

bool MountedTree::Exists(NodeId key) {
    const Inner inner = Decode(key);
    return inner.tree->Exists(inner.id);
}

bool MountedTree::HasChildren(NodeId key) {
    const Inner inner = Decode(key);
    return IsMountParent(inner) || inner.tree->HasChildren(inner.id);
}

void MountedTree::DeleteLeaf(NodeId key) {
    const Inner inner = Decode(key);
    if (inner.mounted && inner.id == mountedRoot_) {
        throw std::invalid_argument("the key a file of its own serves cannot be deleted");
    }
    inner.tree->DeleteLeaf(inner.id);
}

std::optional<platform::TreeValue> MountedTree::FindValue(NodeId key, std::u16string_view name) {
    const Inner inner = Decode(key);
    return inner.tree->FindValue(inner.id, name);
}

void MountedTree::SetValue(NodeId key, std::u16string_view name, platform::Dword type,
                           const std::uint8_t* data, std::size_t size) {
    const Inner inner = Decode(key);
    inner.tree->SetValue(inner.id, name, type, data, size);
}

bool MountedTree::DeleteValue(NodeId key, std::u16string_view name) {
    const Inner inner = Decode(key);
    return inner.tree->DeleteValue(inner.id, name);
}

std::vector<std::pair<std::u16string, platform::TreeValue>> MountedTree::Values(NodeId key) {
    const Inner inner = Decode(key);
    return inner.tree->Values(inner.id);
}

platform::TreeCounts MountedTree::Counts(NodeId key) {
    const Inner inner = Decode(key);
    platform::TreeCounts counts = inner.tree->Counts(inner.id);
    if (IsMountParent(inner) && !inner.tree->FindChild(inner.id, name_)) {
        counts.AddSubKey(name_.size());
    }
    return counts;
}

std::unique_ptr<platform::TreeBatch> MountedTree::BeginBatch() {
    std::vector<std::unique_ptr<platform::TreeBatch>> batches;
    batches.push_back(base_.BeginBatch());
    if (mounted_) batches.push_back(mounted_->BeginBatch());
    return std::make_unique<platform::TreeBatches>(std::move(batches));
}

void MountedTree::Refresh() {
    base_.Refresh();
    if (mounted_) mounted_->Refresh();
}

std::uint64_t MountedTree::Generation() const {
    return base_.Generation() + (mounted_ ? mounted_->Generation() : 0);
}

}  // namespace creg
