#include "tools/regtool/registry_tree.h"

namespace regtool {

using platform::Dword;
using platform::Long;

Long Open(platform::WideRegistryApi& api, const KeyName& name, platform::Hkey* key) {
    return api.RegOpenKeyExW(name.root, name.path.c_str(), 0, platform::kKeyAllAccess, key);
}

Long ReadValues(platform::WideRegistryApi& api, platform::Hkey key, std::vector<RegValue>& values) {
    Dword count = 0, maxName = 0, maxData = 0;
    Long status = api.RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                       &count, &maxName, &maxData, nullptr, nullptr);
    if (status != platform::kErrorSuccess) return status;
    for (Dword index = 0;; ++index) {
        std::u16string name(maxName + 1, u'\0');
        std::vector<std::uint8_t> data(maxData);
        Dword nameLength = maxName + 1, size = maxData, type = 0;
        status = api.RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type,
                                   data.data(), &size);
        if (status == platform::kErrorNoMoreItems) return platform::kErrorSuccess;
        if (status == platform::kErrorMoreData) {
            // A value grew while the key was read: measure again and retry this index.
            api.RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, &maxName, &maxData, nullptr, nullptr);
            --index;
            continue;
        }
        if (status != platform::kErrorSuccess) return status;
        name.resize(nameLength);
        data.resize(size);
        values.push_back({name, type, std::move(data)});
    }
}

Long ReadSubKeys(platform::WideRegistryApi& api, platform::Hkey key,
                 std::vector<std::u16string>& names) {
    for (Dword index = 0;; ++index) {
        char16_t name[256];
        Dword length = 256;
        const Long status = api.RegEnumKeyExW(key, index, name, &length, nullptr, nullptr,
                                              nullptr, nullptr);
        if (status == platform::kErrorNoMoreItems) return platform::kErrorSuccess;
        if (status != platform::kErrorSuccess) return status;
        names.emplace_back(name, length);
    }
}

Long WalkTree(platform::WideRegistryApi& api, const KeyName& top, const EnterKey& enter,
              const LeaveKey& leave) {
    struct Level {
        platform::KeyHandle key;
        std::u16string name;  // through the level above, or the whole path at the top
        std::vector<std::u16string> children;
        std::size_t next = 0;
        std::size_t pathLength = 0;
    };
    std::vector<Level> levels;
    KeyName current = top;
    auto enterLevel = [&](platform::Hkey base, std::u16string name) -> Long {
        platform::Hkey handle = platform::kNullKey;
        if (const Long status = api.RegOpenKeyExW(base, name.c_str(), 0, platform::kKeyAllAccess,
                                                  &handle)) {
            return status;
        }
        levels.push_back({platform::KeyHandle(api, handle), std::move(name), {}, 0, current.path.size()});
        if (const Long status = enter(current, handle)) return status;
        return ReadSubKeys(api, handle, levels.back().children);
    };
    if (const Long status = enterLevel(top.root, top.path)) return status;
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next < level.children.size()) {
            std::u16string child = level.children[level.next++];
            current.path.resize(level.pathLength);
            if (!current.path.empty()) current.path += u'\\';
            current.path += child;
            if (const Long status = enterLevel(level.key.get(), std::move(child))) return status;
            continue;
        }
        const std::u16string name = std::move(level.name);
        levels.pop_back();
        if (!leave) continue;
        const platform::Hkey base = levels.empty() ? top.root : levels.back().key.get();
        if (const Long status = leave(base, name)) return status;
    }
    return platform::kErrorSuccess;
}

Long DeleteTree(platform::WideRegistryApi& api, const KeyName& name) {
    return WalkTree(
        api, name, [](const KeyName&, platform::Hkey) { return platform::kErrorSuccess; },
        [&](platform::Hkey base, const std::u16string& child) {
            return api.RegDeleteKeyW(base, child.c_str());
        });
}

}  // namespace regtool
