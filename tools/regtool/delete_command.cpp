// delete: a key with its tree, one value, or every value of a key.
#include "tools/regtool/command.h"
#include "tools/regtool/registry_tree.h"

namespace regtool {

int Delete(Command& cmd) {
    std::u16string why;
    const auto key = cmd.Key(0, &why);
    if (!key) return cmd.Fail(why);
    const auto choice = cmd.ValueChoice();
    if (!choice) return cmd.SyntaxError(u"/v and /ve cannot be used together.");
    if (cmd.line.Has(u"va") && *choice) {
        return cmd.SyntaxError(u"/va deletes every value; it cannot be used with /v or /ve.");
    }
    const bool force = cmd.line.Has(u"f");
    if (!*choice && !cmd.line.Has(u"va")) {
        if (key->path.empty()) {
            return cmd.Fail(u"ERROR: " + key->rootName +
                            u" is a root key and cannot be deleted. Nothing was deleted.\n");
        }
        if (!force && !cmd.env.confirm(u"Permanently delete the registry key " + key->Full() +
                                       u" (Yes/No)? ")) {
            return cmd.Cancelled();
        }
        return cmd.AllOrNothing([&] { return DeleteTree(cmd.api, *key); });
    }
    platform::Hkey handle = platform::kNullKey;
    if (const platform::Long status = Open(cmd.api, *key, &handle)) return cmd.FailStatus(status);
    platform::KeyHandle open(cmd.api, handle);
    std::vector<std::u16string> names;
    if (*choice) {
        names.push_back(**choice);
    } else {
        std::vector<RegValue> values;
        if (const platform::Long status = ReadValues(cmd.api, open.get(), values))
            return cmd.FailStatus(status);
        for (const auto& value : values) names.push_back(value.name);
    }
    const std::u16string question =
        *choice ? u"Delete the registry value " + (names[0].empty() ? u"(Default)" : names[0]) +
                      u" (Yes/No)? "
                : u"Delete all values under the registry key " + key->Full() + u" (Yes/No)? ";
    if (!force && !cmd.env.confirm(question)) {
        return cmd.Cancelled();
    }
    return cmd.AllOrNothing([&]() -> platform::Long {
        for (const auto& name : names) {
            if (const platform::Long status = cmd.api.RegDeleteValueW(open.get(), name.c_str()))
                return status;
        }
        return platform::kErrorSuccess;
    });
}

}  // namespace regtool
