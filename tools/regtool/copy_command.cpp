// copy: the values of one key, and with /s its whole tree, into another key.
#include "tools/regtool/command.h"
#include "tools/regtool/registry_tree.h"
#include "tools/regtool/text_match.h"

namespace regtool {
namespace {

KeyName Below(const KeyName& key, const std::u16string& relative) {
    return relative.empty() ? key : Child(key, relative);
}

// Whether `inner` is `outer` or lies below it, by name.
bool Within(const KeyName& inner, const KeyName& outer) {
    if (inner.rootName != outer.rootName) return false;
    if (outer.path.empty()) return true;
    const std::u16string a = FoldCase(inner.path), b = FoldCase(outer.path);
    return a == b || (a.size() > b.size() && a.compare(0, b.size(), b) == 0 && a[b.size()] == u'\\');
}

// The values of a key, or none when it does not exist.
platform::Long ValuesOf(platform::WideRegistryApi& api, const KeyName& key,
                        std::vector<RegValue>& values, bool missingIsEmpty) {
    platform::Hkey handle = platform::kNullKey;
    const platform::Long status = Open(api, key, &handle);
    if (status == platform::kErrorFileNotFound && missingIsEmpty) return platform::kErrorSuccess;
    if (status) return status;
    platform::KeyHandle open(api, handle);
    return ReadValues(api, open.get(), values);
}

}  // namespace

int Copy(Command& cmd) {
    std::u16string why;
    const auto source = cmd.Key(0, &why);
    if (!source) return cmd.Fail(why);
    const auto target = cmd.Key(1, &why);
    if (!target) return cmd.Fail(why);
    const bool recursive = cmd.line.Has(u"s");
    if (Within(*target, *source) && Within(*source, *target)) {
        return cmd.Fail(u"ERROR: " + source->Full() + u" and " + target->Full() +
                        u" are the same key: there is nothing to copy.\n");
    }
    if (recursive && Within(*target, *source)) {
        return cmd.Fail(u"ERROR: " + target->Full() + u" lies below " + source->Full() +
                        u": a tree cannot be copied into itself. Nothing was copied.\n");
    }
    // The keys to copy, named below KEY1, listed before anything is written, so that a
    // copy that reaches its own keys by another name still ends.
    std::vector<std::u16string> keys;
    platform::Long status = platform::kErrorSuccess;
    if (recursive) {
        status = WalkTree(cmd.api, *source, [&](const KeyName& name, platform::Hkey) {
            const std::size_t skip = source->path.empty() ? 0 : source->path.size() + 1;
            keys.push_back(name.path.size() <= source->path.size() ? u"" : name.path.substr(skip));
            return platform::kErrorSuccess;
        });
    } else {
        platform::Hkey handle = platform::kNullKey;
        status = Open(cmd.api, *source, &handle);
        platform::KeyHandle open(cmd.api, handle);
        keys.emplace_back();
    }
    if (status) return cmd.FailStatus(status);
    if (!cmd.line.Has(u"f")) {
        // One question for every value KEY2 holds already, asked before anything changes.
        std::size_t existing = 0;
        for (const auto& relative : keys) {
            std::vector<RegValue> from, to;
            if ((status = ValuesOf(cmd.api, Below(*target, relative), to, true)) ||
                (status = ValuesOf(cmd.api, Below(*source, relative), from, false))) {
                return cmd.FailStatus(status);
            }
            for (const auto& value : from) {
                for (const auto& held : to) existing += SameName(value.name, held.name) ? 1 : 0;
            }
        }
        if (existing && !cmd.env.confirm(Ascii(std::to_string(existing)) + u" value(s) under " +
                                         target->Full() +
                                         u" exist already. Overwrite them (Yes/No)? ")) {
            return cmd.Cancelled();
        }
    }
    return cmd.AllOrNothing([&]() -> platform::Long {
        for (const auto& relative : keys) {
            std::vector<RegValue> values;
            if (const platform::Long read = ValuesOf(cmd.api, Below(*source, relative), values, false))
                return read;
            const KeyName to = Below(*target, relative);
            platform::Hkey handle = platform::kNullKey;
            if (const platform::Long made =
                    cmd.api.RegCreateKeyExW(to.root, to.path.c_str(), 0, nullptr, 0,
                                            platform::kKeyAllAccess, nullptr, &handle, nullptr)) {
                return made;
            }
            platform::KeyHandle open(cmd.api, handle);
            for (const auto& value : values) {
                if (const platform::Long set = cmd.api.RegSetValueExW(
                        open.get(), value.name.c_str(), 0, value.type, value.data.data(),
                        static_cast<platform::Dword>(value.data.size()))) {
                    return set;
                }
            }
        }
        return platform::kErrorSuccess;
    });
}

}  // namespace regtool
