#include "platform/regf/hive_mount_tree.h"

#include <algorithm>
#include <stdexcept>

#include "platform/registry/key_names.h"

namespace regf {
namespace {

using platform::kTreeTop;
using platform::NodeId;

[[noreturn]] void RefuseOwn() {
    throw std::invalid_argument("the key above the hives holds the hives' root keys only");
}

class Batches final : public platform::TreeBatch {
public:
    explicit Batches(std::vector<std::unique_ptr<platform::TreeBatch>> batches)
        : batches_(std::move(batches)) {}
    void Commit() override {
        for (auto& batch : batches_) batch->Commit();
    }

private:
    std::vector<std::unique_ptr<platform::TreeBatch>> batches_;
};

}  // namespace

NodeId HiveMountTree::Outer(std::size_t hive, NodeId inner) const {
    return inner * static_cast<NodeId>(hives_.size()) + static_cast<NodeId>(hive) + 2;
}

HiveMountTree::Inner HiveMountTree::Decode(NodeId key) const {
    const auto count = static_cast<NodeId>(hives_.size());
    const auto index = static_cast<std::size_t>((key - 2) % count);
    return {index, hives_.at(index), (key - 2) / count};
}

std::optional<NodeId> HiveMountTree::FindChild(NodeId parent, std::u16string_view name) {
    if (parent == kTreeTop) {
        if (platform::FoldName(name) == platform::FoldName(name_)) return kOwnKey;
        return std::nullopt;
    }
    if (parent == kOwnKey) {
        for (std::size_t i = 0; i < hives_.size(); ++i) {
            if (const auto base = hives_[i]->FindChild(kTreeTop, name)) return Outer(i, *base);
        }
        return std::nullopt;
    }
    const Inner inner = Decode(parent);
    const auto found = inner.hive->FindChild(inner.id, name);
    if (!found) return std::nullopt;
    return Outer(inner.index, *found);
}

NodeId HiveMountTree::CreateChild(NodeId parent, std::u16string_view name) {
    if (IsOwn(parent)) RefuseOwn();
    const Inner inner = Decode(parent);
    return Outer(inner.index, inner.hive->CreateChild(inner.id, name));
}

std::vector<std::u16string> HiveMountTree::ChildNames(NodeId key) {
    if (key == kTreeTop) return {name_};
    if (key == kOwnKey) {
        std::vector<std::u16string> names;
        for (RegfFileTree* hive : hives_) names.push_back(hive->BaseName());
        std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) {
            return platform::FoldName(a) < platform::FoldName(b);
        });
        return names;
    }
    const Inner inner = Decode(key);
    return inner.hive->ChildNames(inner.id);
}

bool HiveMountTree::Exists(NodeId key) {
    if (IsOwn(key)) return key == kOwnKey;
    const Inner inner = Decode(key);
    return inner.hive->Exists(inner.id);
}

bool HiveMountTree::HasChildren(NodeId key) {
    if (IsOwn(key)) return true;
    const Inner inner = Decode(key);
    return inner.hive->HasChildren(inner.id);
}

void HiveMountTree::DeleteLeaf(NodeId key) {
    if (IsOwn(key)) RefuseOwn();
    const Inner inner = Decode(key);
    inner.hive->DeleteLeaf(inner.id);
}

std::optional<platform::TreeValue> HiveMountTree::FindValue(NodeId key, std::u16string_view name) {
    if (IsOwn(key)) return std::nullopt;
    const Inner inner = Decode(key);
    return inner.hive->FindValue(inner.id, name);
}

void HiveMountTree::SetValue(NodeId key, std::u16string_view name, platform::Dword type,
                             const std::uint8_t* data, std::size_t size) {
    if (IsOwn(key)) RefuseOwn();
    const Inner inner = Decode(key);
    inner.hive->SetValue(inner.id, name, type, data, size);
}

bool HiveMountTree::DeleteValue(NodeId key, std::u16string_view name) {
    if (IsOwn(key)) return false;
    const Inner inner = Decode(key);
    return inner.hive->DeleteValue(inner.id, name);
}

std::vector<std::pair<std::u16string, platform::TreeValue>> HiveMountTree::Values(NodeId key) {
    if (IsOwn(key)) return {};
    const Inner inner = Decode(key);
    return inner.hive->Values(inner.id);
}

platform::TreeCounts HiveMountTree::Counts(NodeId key) {
    if (IsOwn(key)) {
        platform::TreeCounts counts;
        for (const auto& name : ChildNames(key)) {
            ++counts.subKeys;
            counts.maxSubKeyLength =
                std::max(counts.maxSubKeyLength, static_cast<platform::Dword>(name.size()));
        }
        return counts;
    }
    const Inner inner = Decode(key);
    return inner.hive->Counts(inner.id);
}

std::unique_ptr<platform::TreeBatch> HiveMountTree::BeginBatch() {
    std::vector<std::unique_ptr<platform::TreeBatch>> batches;
    for (RegfFileTree* hive : hives_) batches.push_back(hive->BeginBatch());
    return std::make_unique<Batches>(std::move(batches));
}

void HiveMountTree::Refresh() {
    for (RegfFileTree* hive : hives_) hive->Refresh();
}

std::uint64_t HiveMountTree::Generation() const {
    std::uint64_t sum = 0;
    for (const RegfFileTree* hive : hives_) sum += hive->Generation();
    return sum;
}

}  // namespace regf
