// add: a key, and a value in it from /t, /s and /d.
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

// What /d must hold for a type, for the refusal of data that does not fit it.
std::u16string Expected(platform::Dword type, std::u16string_view separator) {
    switch (type) {
        case platform::kRegDword:
            return u"a number from 0 to 4294967295, in decimal or in hex after 0x";
        case kRegQword:
            return u"a number from 0 to 18446744073709551615, in decimal or in hex after 0x";
        case platform::kRegMultiSz:
            return u"strings separated by " + std::u16string(separator) +
                   u", none of them empty: the registry ends the list at an empty string";
        default:
            return u"pairs of hex digits, such as 00ff";
    }
}

}  // namespace

int Add(Command& cmd) {
    std::u16string why;
    const auto key = cmd.Key(0, &why);
    if (!key) return cmd.Fail(why);
    auto choice = cmd.ValueChoice();
    if (!choice) return cmd.SyntaxError(u"/v and /ve cannot be used together.");
    // Data without a name is the unnamed value's, as reg.exe has it.
    if (!*choice && (cmd.line.Has(u"t") || cmd.line.Has(u"d"))) *choice = std::u16string();
    platform::Dword type = platform::kRegSz;
    if (cmd.line.Has(u"t")) {
        std::string name;
        for (const char16_t c : cmd.line.Value(u"t")) {
            name.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        }
        const auto known = TypeFromName(name);
        if (!known) {
            return cmd.SyntaxError(u"\"" + cmd.line.Value(u"t") + u"\" is not a type of /t. The "
                                   u"types are " + Ascii(TypeNames()) + u".");
        }
        type = *known;
    }
    std::u16string separator = u"\\0";
    if (cmd.line.Has(u"s")) {
        if (type != platform::kRegMultiSz) {
            return cmd.SyntaxError(u"/s separates the strings of REG_MULTI_SZ data; give /t "
                                   u"REG_MULTI_SZ with it.");
        }
        separator = cmd.line.Value(u"s");
        if (separator.size() != 1) {
            return cmd.SyntaxError(u"/s takes one character, not \"" + separator + u"\".");
        }
    }
    const std::u16string text = cmd.line.Value(u"d");
    const auto data = DataFromText(type, text, separator);
    if (!data) {
        return cmd.Fail(u"ERROR: Invalid value for " + Ascii(TypeName(type)) + u": \"" + text +
                        u"\" is not " + Expected(type, separator) + u".\n");
    }
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
