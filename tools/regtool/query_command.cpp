// query: one value, a key's values and subkeys, or a whole tree.
#include "tools/regtool/command.h"
#include "tools/regtool/registry_tree.h"

namespace regtool {
namespace {

// Sent out whenever this much of a long listing has gathered.
constexpr std::size_t kFlushSize = 1 << 16;

std::u16string ValueLine(const RegValue& value) {
    const std::u16string name = value.name.empty() ? u"(Default)" : value.name;
    return u"    " + name + u"    " + Ascii(TypeName(value.type)) + u"    " + QueryText(value) +
           u"\n";
}

// A key's name and its values, as query shows them.
platform::Long ListKey(Command& cmd, const KeyName& key, platform::Hkey handle) {
    std::vector<RegValue> values;
    if (const platform::Long status = ReadValues(cmd.api, handle, values)) return status;
    cmd.env.out += u"\n" + key.Full() + u"\n";
    for (const auto& value : values) cmd.env.out += ValueLine(value);
    // A long listing goes out as it is made rather than held whole.
    if (cmd.env.flushOut && cmd.env.out.size() > kFlushSize) cmd.env.flushOut(cmd.env.out);
    return platform::kErrorSuccess;
}

int QueryTree(Command& cmd, const KeyName& key, bool recursive) {
    if (!recursive) {
        platform::Hkey handle = platform::kNullKey;
        if (const platform::Long status = Open(cmd.api, key, &handle))
            return cmd.FailStatus(status);
        platform::KeyHandle open(cmd.api, handle);
        std::vector<std::u16string> children;
        if (const platform::Long status = ListKey(cmd, key, open.get()))
            return cmd.FailStatus(status);
        if (const platform::Long status = ReadSubKeys(cmd.api, open.get(), children)) {
            return cmd.FailStatus(status);
        }
        if (!children.empty()) cmd.env.out += u"\n";
        for (const auto& child : children) cmd.env.out += Child(key, child).Full() + u"\n";
        return 0;
    }
    const platform::Long status = WalkTree(
        cmd.api, key,
        [&cmd](const KeyName& name, platform::Hkey handle) { return ListKey(cmd, name, handle); });
    return status ? cmd.FailStatus(status) : 0;
}

}  // namespace

int Query(Command& cmd) {
    const auto key = cmd.Key(1);
    const auto choice = cmd.ValueChoice();
    if (cmd.line.positional.size() != 1 || !choice) return cmd.Fail(kSyntax);
    if (!key) return cmd.Fail(kInvalidKey);
    if (!*choice) return QueryTree(cmd, *key, cmd.line.Has(u"s"));
    platform::Hkey handle = platform::kNullKey;
    if (const platform::Long status = Open(cmd.api, *key, &handle)) return cmd.FailStatus(status);
    platform::KeyHandle open(cmd.api, handle);
    // Listed rather than read by name, to show the name as the registry spells it.
    std::vector<RegValue> values;
    if (const platform::Long status = ReadValues(cmd.api, open.get(), values))
        return cmd.FailStatus(status);
    for (const auto& value : values) {
        if (Lower(value.name) == Lower(**choice)) {
            cmd.env.out += u"\n" + key->Full() + u"\n" + ValueLine(value) + u"\n";
            return 0;
        }
    }
    return cmd.FailStatus(platform::kErrorFileNotFound);
}

}  // namespace regtool
