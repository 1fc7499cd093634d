// HKEY_USERS of a Wine prefix: one key above the base keys of the users' files, the
// user's SID from user.reg and .Default from userdef.reg. Keys of the files keep their
// places in them; this tree only numbers them apart.
#pragma once

#include <vector>

#include "platform/wine/wine_file_tree.h"

namespace wine {

class UsersTree final : public platform::RegistryTree {
public:
    // HKEY_USERS itself, the only child of the top.
    static constexpr platform::NodeId kUsersKey = 1;

    // The files must outlive the tree.
    explicit UsersTree(std::vector<WineFileTree*> files) : files_(std::move(files)) {}

    // The number this tree gives a key of one of its files.
    platform::NodeId Outer(std::size_t file, platform::NodeId inner) const;

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
    std::optional<std::u16string> LinkTarget(platform::NodeId key) override;
    // A batch of every file; each file that changed is written when it commits.
    std::unique_ptr<platform::TreeBatch> BeginBatch() override;
    void Refresh() override;
    std::uint64_t Generation() const override;

private:
    struct Inner {
        WineFileTree* file;
        platform::NodeId id;
    };
    // The file and its key for a number above kUsersKey.
    Inner Decode(platform::NodeId key) const;
    bool IsOwn(platform::NodeId key) const { return key == platform::kTreeTop || key == kUsersKey; }

    std::vector<WineFileTree*> files_;
};

}  // namespace wine
