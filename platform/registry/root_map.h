// Which tree and key serve each predefined root key, and which roots are links to a key
// below another root.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "platform/initial_contents.h"
#include "platform/registry/registry_tree.h"

namespace platform {

// A key of one tree, as a handle or a root names it.
struct TreeKey {
    RegistryTree* tree = nullptr;
    NodeId id = 0;
    bool operator==(const TreeKey&) const = default;
};

// How far a path leads below a key: the last key found and how many names led there.
struct Reached {
    TreeKey key;
    std::size_t names = 0;
};

class RootMap {
public:
    // The root code served by the top key of a tree.
    void Serve(Dword root, RegistryTree& tree, NodeId key);
    // The root code that stands for the key at path below another root; a path that is
    // missing leaves the root naming no key (ERROR_FILE_NOT_FOUND).
    void Link(Dword root, Dword target, std::u16string_view path);

    // What a predefined root serves: null for a handle outside the roots, a tree of null
    // for a root that no tree serves, id 0 for a link to a missing key.
    const TreeKey* Find(Hkey handle) const;
    // Whether key stands for a root (the roots' own keys and those links stand for).
    bool IsRootTarget(const TreeKey& key) const;

    // Follows names below from as far as they exist. A symbolic-link key met on the way
    // stands for the key its target names, and so does the last one found unless
    // keepLastLink; nullopt when a link's target is missing or links lead too deep.
    std::optional<Reached> Reach(TreeKey from, std::span<const std::u16string_view> names,
                                 bool keepLastLink = false) const;
    // The key at names below from, as Reach follows them; nullopt when it is missing.
    std::optional<TreeKey> Walk(TreeKey from, std::span<const std::u16string_view> names,
                                bool keepLastLink = false) const;

private:
    std::optional<TreeKey> Follow(TreeKey key, int depth) const;
    std::optional<TreeKey> Target(std::u16string_view path, int depth) const;

    // One entry per code from HKEY_CLASSES_ROOT to HKEY_DYN_DATA.
    std::array<TreeKey, 7> roots_{};
};

// The keys that the linked roots stand for, made below the two top keys of a new tree.
inline constexpr std::u16string_view kClassesPath = u"Software\\Classes";
inline constexpr std::u16string_view kCurrentConfigPath =
    u"System\\CurrentControlSet\\Hardware Profiles\\Current";
inline constexpr std::u16string_view kCurrentUserPath = u".Default";

// Makes the top keys HKEY_LOCAL_MACHINE and HKEY_USERS of a new tree, the keys the linked
// roots stand for, and then contents.
void PlantNewTree(RegistryTree& tree, const InitialContents& contents);

// The roots of a registry in one tree that holds HKEY_LOCAL_MACHINE and HKEY_USERS, with
// HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and HKEY_CURRENT_CONFIG linked below them and
// HKEY_DYN_DATA from its own tree; false when the tree lacks a top key.
bool MapStandardRoots(RootMap& roots, RegistryTree& stored, RegistryTree& dynamic);

// The roots every registry maps alike once HKEY_LOCAL_MACHINE is served: HKEY_CLASSES_ROOT
// and HKEY_CURRENT_CONFIG linked below it, and HKEY_DYN_DATA from its own tree.
void MapCommonRoots(RootMap& roots, RegistryTree& dynamic);

}  // namespace platform
