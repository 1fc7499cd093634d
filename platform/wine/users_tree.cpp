#include "platform/wine/users_tree.h"

#include <algorithm>
#include <stdexcept>

#include "platform/registry/key_names.h"
#include "platform/wine/wine_name_order.h"

namespace wine {
namespace {

using platform::kTreeTop;
using platform::NodeId;

constexpr std::u16string_view kUsersName = u"HKEY_USERS";

[[noreturn]] void RefuseOwn() {
    throw std::invalid_argument("HKEY_USERS holds the users' keys only");
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

NodeId UsersTree::Outer(std::size_t file, NodeId inner) const {
    return inner * static_cast<NodeId>(files_.size()) + static_cast<NodeId>(file) + 2;
}

UsersTree::Inner UsersTree::Decode(NodeId key) const {
    const auto count = static_cast<NodeId>(files_.size());
    return {files_.at(static_cast<std::size_t>((key - 2) % count)), (key - 2) / count};
}

std::optional<NodeId> UsersTree::FindChild(NodeId parent, std::u16string_view name) {
    if (parent == kTreeTop) {
        if (platform::FoldName(name) == platform::FoldName(kUsersName)) return kUsersKey;
        return std::nullopt;
    }
    if (parent == kUsersKey) {
        for (std::size_t i = 0; i < files_.size(); ++i) {
            if (const auto base = files_[i]->FindChild(kTreeTop, name)) return Outer(i, *base);
        }
        return std::nullopt;
    }
    const Inner inner = Decode(parent);
    const auto found = inner.file->FindChild(inner.id, name);
    if (!found) return std::nullopt;
    return Outer(static_cast<std::size_t>((parent - 2) % static_cast<NodeId>(files_.size())), *found);
}

NodeId UsersTree::CreateChild(NodeId parent, std::u16string_view name) {
    if (IsOwn(parent)) RefuseOwn();
    const Inner inner = Decode(parent);
    const NodeId made = inner.file->CreateChild(inner.id, name);
    return Outer(static_cast<std::size_t>((parent - 2) % static_cast<NodeId>(files_.size())), made);
}

std::vector<std::u16string> UsersTree::ChildNames(NodeId key) {
    if (key == kTreeTop) return {std::u16string(kUsersName)};
    if (key == kUsersKey) {
        std::vector<std::u16string> names;
        for (WineFileTree* file : files_) names.push_back(file->BaseName());
        std::sort(names.begin(), names.end(), WineNameLess);
        return names;
    }
    const Inner inner = Decode(key);
    return inner.file->ChildNames(inner.id);
}

bool UsersTree::Exists(NodeId key) {
    if (IsOwn(key)) return key == kUsersKey;
    const Inner inner = Decode(key);
    return inner.file->Exists(inner.id);
}

bool UsersTree::HasChildren(NodeId key) {
    if (IsOwn(key)) return true;
    const Inner inner = Decode(key);
    return inner.file->HasChildren(inner.id);
}

void UsersTree::DeleteLeaf(NodeId key) {
    if (IsOwn(key)) RefuseOwn();
    const Inner inner = Decode(key);
    inner.file->DeleteLeaf(inner.id);
}

std::optional<platform::TreeValue> UsersTree::FindValue(NodeId key, std::u16string_view name) {
    if (IsOwn(key)) return std::nullopt;
    const Inner inner = Decode(key);
    return inner.file->FindValue(inner.id, name);
}

void UsersTree::SetValue(NodeId key, std::u16string_view name, platform::Dword type,
                         const std::uint8_t* data, std::size_t size) {
    if (IsOwn(key)) RefuseOwn();
    const Inner inner = Decode(key);
    inner.file->SetValue(inner.id, name, type, data, size);
}

bool UsersTree::DeleteValue(NodeId key, std::u16string_view name) {
    if (IsOwn(key)) return false;
    const Inner inner = Decode(key);
    return inner.file->DeleteValue(inner.id, name);
}

std::vector<std::pair<std::u16string, platform::TreeValue>> UsersTree::Values(NodeId key) {
    if (IsOwn(key)) return {};
    const Inner inner = Decode(key);
    return inner.file->Values(inner.id);
}

std::optional<std::u16string> UsersTree::LinkTarget(NodeId key) {
    if (IsOwn(key)) return std::nullopt;
    const Inner inner = Decode(key);
    return inner.file->LinkTarget(inner.id);
}

platform::TreeCounts UsersTree::Counts(NodeId key) {
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
    return inner.file->Counts(inner.id);
}

std::unique_ptr<platform::TreeBatch> UsersTree::BeginBatch() {
    std::vector<std::unique_ptr<platform::TreeBatch>> batches;
    for (WineFileTree* file : files_) batches.push_back(file->BeginBatch());
    return std::make_unique<Batches>(std::move(batches));
}

void UsersTree::Refresh() {
    for (WineFileTree* file : files_) file->Refresh();
}

std::uint64_t UsersTree::Generation() const {
    std::uint64_t sum = 0;
    for (const WineFileTree* file : files_) sum += file->Generation();
    return sum;
}

}  // namespace wine
