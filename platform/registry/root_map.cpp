#include "platform/registry/root_map.h"

#include "platform/registry/key_names.h"

namespace platform {
namespace {

constexpr std::u16string_view kMachine = u"HKEY_LOCAL_MACHINE";
constexpr std::u16string_view kUsers = u"HKEY_USERS";
constexpr std::u16string_view kDynData = u"HKEY_DYN_DATA";

std::size_t Slot(Dword root) { return root - kHkeyClassesRoot; }

NodeId Walk(RegistryTree& tree, NodeId from, std::u16string_view path, bool create) {
    const auto names = SplitKeyPath(path);
    for (const auto name : *names) {
        if (const auto child = tree.FindChild(from, name)) {
            from = *child;
        } else if (create) {
            from = tree.CreateChild(from, name);
        } else {
            return 0;
        }
    }
    return from;
}

std::vector<std::uint8_t> StringData(const std::u16string& text) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.c_str());
    return {bytes, bytes + (text.size() + 1) * sizeof(char16_t)};
}

}  // namespace

void RootMap::Serve(Dword root, RegistryTree& tree, NodeId key) {
    roots_[Slot(root)] = {&tree, key};
}

void RootMap::Link(Dword root, Dword target, std::u16string_view path) {
    const TreeKey& base = roots_[Slot(target)];
    roots_[Slot(root)] = {base.tree, base.tree ? Walk(*base.tree, base.id, path, false) : 0};
}

const TreeKey* RootMap::Find(Hkey handle) const {
    for (std::size_t i = 0; i < roots_.size(); ++i) {
        if (handle == RootKey(kHkeyClassesRoot + static_cast<Dword>(i))) return &roots_[i];
    }
    return nullptr;
}

bool RootMap::IsRootTarget(const TreeKey& key) const {
    for (const TreeKey& root : roots_) {
        if (root == key) return true;
    }
    return false;
}

void PlantNewTree(RegistryTree& tree, const InitialContents& contents) {
    const NodeId machine = tree.CreateChild(kTreeTop, kMachine);
    const NodeId users = tree.CreateChild(kTreeTop, kUsers);
    Walk(tree, machine, kClassesPath, true);
    Walk(tree, machine, kCurrentConfigPath, true);
    Walk(tree, users, kCurrentUserPath, true);
    for (const InitialKey& key : contents) {
        const NodeId made = Walk(tree, key.root == kHkeyUsers ? users : machine, key.path, true);
        for (const InitialString& value : key.strings) {
            const auto data = StringData(value.text);
            tree.SetValue(made, value.name, kRegSz, data.data(), data.size());
        }
    }
}

bool MapStandardRoots(RootMap& roots, RegistryTree& stored, RegistryTree& dynamic) {
    const auto machine = stored.FindChild(kTreeTop, kMachine);
    const auto users = stored.FindChild(kTreeTop, kUsers);
    if (!machine || !users) return false;
    roots.Serve(kHkeyLocalMachine, stored, *machine);
    roots.Serve(kHkeyUsers, stored, *users);
    roots.Link(kHkeyClassesRoot, kHkeyLocalMachine, kClassesPath);
    roots.Link(kHkeyCurrentUser, kHkeyUsers, kCurrentUserPath);
    roots.Link(kHkeyCurrentConfig, kHkeyLocalMachine, kCurrentConfigPath);
    // The dynamic data lives apart, made anew with every registry.
    const auto dyn = dynamic.FindChild(kTreeTop, kDynData);
    roots.Serve(kHkeyDynData, dynamic, dyn ? *dyn : dynamic.CreateChild(kTreeTop, kDynData));
    return true;
}

}  // namespace platform
