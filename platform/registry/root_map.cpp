#include "platform/registry/root_map.h"

#include "platform/registry/key_names.h"

namespace platform {
namespace {

constexpr std::u16string_view kMachine = u"HKEY_LOCAL_MACHINE";
constexpr std::u16string_view kUsers = u"HKEY_USERS";
constexpr std::u16string_view kDynData = u"HKEY_DYN_DATA";

// How a link's target starts, folded: the registry's own root, above HKLM and HKU.
constexpr std::u16string_view kRegistryRoot = u"\\REGISTRY\\";
constexpr int kMaxLinkDepth = 16;

std::size_t Slot(Dword root) { return root - kHkeyClassesRoot; }

// The key at path below from, made with the keys above it where missing.
NodeId MakePath(RegistryTree& tree, NodeId from, std::u16string_view path) {
    const auto names = SplitKeyPath(path);
    for (const auto name : *names) {
        const auto child = tree.FindChild(from, name);
        from = child ? *child : tree.CreateChild(from, name);
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
    std::optional<TreeKey> found;
    if (base.tree) found = Walk(base, *SplitKeyPath(path));
    roots_[Slot(root)] = found ? *found : TreeKey{base.tree, 0};
}

std::optional<Reached> RootMap::Reach(TreeKey from, std::span<const std::u16string_view> names,
                                      bool keepLastLink) const {
    Reached reached{from, 0};
    for (const auto name : names) {
        const auto child = reached.key.tree->FindChild(reached.key.id, name);
        if (!child) return reached;
        reached.key.id = *child;
        ++reached.names;
        if (keepLastLink && reached.names == names.size()) break;
        const auto followed = Follow(reached.key, 0);
        if (!followed) return std::nullopt;
        reached.key = *followed;
    }
    return reached;
}

std::optional<TreeKey> RootMap::Walk(TreeKey from, std::span<const std::u16string_view> names,
                                     bool keepLastLink) const {
    const auto reached = Reach(from, names, keepLastLink);
    if (!reached || reached->names != names.size()) return std::nullopt;
    return reached->key;
}

// As Wine's server does: a chain of links ends after 16, and a key that is a link stands
// for what its target names, itself followed name by name.
std::optional<TreeKey> RootMap::Follow(TreeKey key, int depth) const {
    if (depth > kMaxLinkDepth) return std::nullopt;
    const auto target = key.tree->LinkTarget(key.id);
    if (!target) return key;
    return Target(*target, depth);
}

std::optional<TreeKey> RootMap::Target(std::u16string_view path, int depth) const {
    if (path.size() <= kRegistryRoot.size() ||
        FoldName(path.substr(0, kRegistryRoot.size())) != kRegistryRoot) {
        return std::nullopt;
    }
    path.remove_prefix(kRegistryRoot.size());
    while (!path.empty() && path.front() == u'\\') path.remove_prefix(1);
    const auto names = SplitKeyPath(path);
    if (!names || names->empty()) return std::nullopt;
    const std::u16string top = FoldName(names->front());
    if (top != u"MACHINE" && top != u"USER") return std::nullopt;
    TreeKey at = roots_[Slot(top == u"MACHINE" ? kHkeyLocalMachine : kHkeyUsers)];
    if (!at.tree || at.id == 0) return std::nullopt;
    for (std::size_t i = 1; i < names->size(); ++i) {
        const auto child = at.tree->FindChild(at.id, (*names)[i]);
        if (!child) return std::nullopt;
        const auto followed = Follow({at.tree, *child}, depth + 1);
        if (!followed) return std::nullopt;
        at = *followed;
    }
    return at;
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
    MakePath(tree, machine, kClassesPath);
    MakePath(tree, machine, kCurrentConfigPath);
    MakePath(tree, users, kCurrentUserPath);
    for (const InitialKey& key : contents) {
        const NodeId made = MakePath(tree, key.root == kHkeyUsers ? users : machine, key.path);
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
    roots.Link(kHkeyCurrentUser, kHkeyUsers, kCurrentUserPath);
    MapCommonRoots(roots, dynamic);
    return true;
}

void MapCommonRoots(RootMap& roots, RegistryTree& dynamic) {
    roots.Link(kHkeyClassesRoot, kHkeyLocalMachine, kClassesPath);
    roots.Link(kHkeyCurrentConfig, kHkeyLocalMachine, kCurrentConfigPath);
    // The dynamic data lives apart, made anew with every registry.
    const auto dyn = dynamic.FindChild(kTreeTop, kDynData);
    roots.Serve(kHkeyDynData, dynamic, dyn ? *dyn : dynamic.CreateChild(kTreeTop, kDynData));
}

}  // namespace platform
