// add: a key, and a value in it from /t and /d.
#include "tools/regtool/command.h"
#include "tools/regtool/registry_tree.h"

namespace regtool {
namespace {

bool ValueExists(Command& cmd, const KeyName& key, const std::u16string& name) {
    platform::Hkey handle = platform::kNullKey;
    if (Open(cmd.api, key, &handle) != platform::kErrorSuccess) return false;
    platform::KeyHandle open(cmd.api, handle);
    return cmd.api.RegQueryValueExW(open.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           platform::kErrorSuccess;
}

}  // namespace

int Add(Command& cmd) {
    const auto key = cmd.Key(1);
    const auto choice = cmd.ValueChoice();
    if (cmd.line.positional.size() != 1 || !choice) return cmd.Fail(kSyntax);
    if (!key) return cmd.Fail(kInvalidKey);
    platform::Dword type = platform::kRegSz;
    if (cmd.line.Has(u"t")) {
        std::string name;
        for (const char16_t c : cmd.line.Value(u"t")) name.push_back(static_cast<char>(c));
        const auto known = TypeFromName(name);
        if (!known || *known == kRegQword) return cmd.Fail(u"ERROR: Invalid type.\n");
        type = *known;
    }
    const auto data = DataFromText(type, cmd.line.Value(u"d"));
    if (!data) return cmd.Fail(u"ERROR: Invalid value for " + Ascii(TypeName(type)) + u".\n");
    // Asked before anything is written, so that no change waits on the user.
    if (*choice && !cmd.line.Has(u"f") && ValueExists(cmd, *key, **choice) &&
        !cmd.env.confirm(u"Value " + ((*choice)->empty() ? u"(Default)" : **choice) +
                         u" exists, overwrite(Yes/No)? ")) {
        return cmd.Cancelled();
    }
    return cmd.AllOrNothing([&]() -> platform::Long {
        platform::Hkey handle = platform::kNullKey;
        if (const platform::Long status =
                cmd.api.RegCreateKeyExW(key->root, key->path.c_str(), 0, nullptr, 0,
                                        platform::kKeyAllAccess, nullptr, &handle, nullptr)) {
            return status;
        }
        platform::KeyHandle open(cmd.api, handle);
        if (!*choice) return platform::kErrorSuccess;
        return cmd.api.RegSetValueExW(open.get(), (*choice)->c_str(), 0, type, data->data(),
                                      static_cast<platform::Dword>(data->size()));
    });
}

}  // namespace regtool
