// A key above the root keys of several hives, each under its own name: HKEY_LOCAL_MACHINE
// above SOFTWARE and SYSTEM, HKEY_USERS above DEFAULT and a user's NTUSER.DAT. Keys of the
// hives keep their places in them; this tree only numbers them apart.
#pragma once

#include <string>
#include <vector>

#include "platform/regf/regf_file_tree.h"

namespace regf {

class HiveMountTree final : public platform::RegistryTree {
public:
    // The key above the hives, the only child of the top.
    static constexpr platform::NodeId kOwnKey = 1;

    // The hives must outlive the tree; each is found under its BaseName().
    HiveMountTree(std::u16string name, std::vector<RegfFileTree*> hives)
        : name_(std::move(name)), hives_(std::move(hives)) {}

    // The number this tree gives a key of one of its hives.
    platform::NodeId Outer(std::size_t hive, platform::NodeId inner) const;

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
    // A batch of every hive; each hive that changed is written when it commits.
    std::unique_ptr<platform::TreeBatch> BeginBatch() override;
    void Refresh() override;
    std::uint64_t Generation() const override;

private:
    struct Inner {
        std::size_t index;
        RegfFileTree* hive;
        platform::NodeId id;
    };
    Inner Decode(platform::NodeId key) const;
    bool IsOwn(platform::NodeId key) const { return key == platform::kTreeTop || key == kOwnKey; }

    std::u16string name_;
    std::vector<RegfFileTree*> hives_;
};

}  // namespace regf
