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

Long ReadTree(platform::WideRegistryApi& api, const KeyName& name, std::vector<ExportedKey>& keys) {
    platform::Hkey handle = platform::kNullKey;
    if (const Long status = Open(api, name, &handle)) return status;
    OpenKey key(api, handle);
    ExportedKey exported{name.Full(), {}};
    if (const Long status = ReadValues(api, key.get(), exported.values)) return status;
    keys.push_back(std::move(exported));
    std::vector<std::u16string> children;
    if (const Long status = ReadSubKeys(api, key.get(), children)) return status;
    for (const auto& child : children) {
        if (const Long status = ReadTree(api, Child(name, child), keys)) return status;
    }
    return platform::kErrorSuccess;
}

Long DeleteTree(platform::WideRegistryApi& api, const KeyName& name) {
    platform::Hkey handle = platform::kNullKey;
    if (const Long status = Open(api, name, &handle)) return status;
    std::vector<std::u16string> children;
    {
        OpenKey key(api, handle);
        if (const Long status = ReadSubKeys(api, key.get(), children)) return status;
    }
    for (const auto& child : children) {
        if (const Long status = DeleteTree(api, Child(name, child))) return status;
    }
    return api.RegDeleteKeyW(name.root, name.path.c_str());
}

}  // namespace regtool
