// query: one value, a key's values and subkeys, a whole tree, or a search through them.
#include <algorithm>

#include "tools/regtool/command.h"
#include "tools/regtool/registry_tree.h"
#include "tools/regtool/text_match.h"

namespace regtool {
namespace {

// Sent out whenever this much of a long listing has gathered.
constexpr std::size_t kFlushSize = 1 << 16;

std::u16string ValueLine(const RegValue& value) {
    const std::u16string name = value.name.empty() ? u"(Default)" : value.name;
    return u"    " + name + u"    " + Ascii(TypeName(value.type)) + u"    " + QueryText(value) +
           u"\n";
}

// A long listing goes out as it is made rather than held whole.
void MaybeFlush(Command& cmd) {
    if (cmd.env.flushOut && cmd.env.out.size() > kFlushSize) cmd.env.flushOut(cmd.env.out);
}

// A key's name and its values, then a blank line, as query shows a key; a key without
// values shows only when `always`.
platform::Long ListKey(Command& cmd, const KeyName& key, platform::Hkey handle, bool always) {
    std::vector<RegValue> values;
    if (const platform::Long status = ReadValues(cmd.api, handle, values)) return status;
    if (values.empty() && !always) return platform::kErrorSuccess;
    cmd.env.out += key.Full() + u"\n";
    for (const auto& value : values) cmd.env.out += ValueLine(value);
    cmd.env.out += u"\n";
    MaybeFlush(cmd);
    return platform::kErrorSuccess;
}

int QueryTree(Command& cmd, const KeyName& key, bool recursive) {
    cmd.env.out += u"\n";
    if (!recursive) {
        platform::Hkey handle = platform::kNullKey;
        if (const platform::Long status = Open(cmd.api, key, &handle))
            return cmd.FailStatus(status);
        platform::KeyHandle open(cmd.api, handle);
        std::vector<std::u16string> children;
        if (const platform::Long status = ListKey(cmd, key, open.get(), false))
            return cmd.FailStatus(status);
        if (const platform::Long status = ReadSubKeys(cmd.api, open.get(), children)) {
            return cmd.FailStatus(status);
        }
        for (const auto& child : children) cmd.env.out += Child(key, child).Full() + u"\n";
        return 0;
    }
    // The key named shows only when it has values; every key below it shows.
    const platform::Long status =
        WalkTree(cmd.api, key, [&cmd, &key](const KeyName& name, platform::Hkey handle) {
            return ListKey(cmd, name, handle, name.path.size() != key.path.size());
        });
    return status ? cmd.FailStatus(status) : 0;
}

// What a search looks for and where.
struct Search {
    TextPattern pattern;
    bool keyNames = true, valueNames = true, data = true;
    std::vector<platform::Dword> types;  // empty: every type
    std::optional<std::u16string> valueName;  // /v NAME /s: this value only
};

// One key of a search: its name when it matches, and the values that match.
platform::Long SearchKey(Command& cmd, const Search& search, const KeyName& key,
                         platform::Hkey handle, bool searchName, bool searchValues,
                         std::size_t& matches) {
    bool named = false;
    if (searchName && search.keyNames) {
        const std::size_t slash = key.path.rfind(u'\\');
        named = search.pattern.Matches(
            slash == std::u16string::npos ? key.path : key.path.substr(slash + 1));
    }
    std::vector<RegValue> found;
    if (searchValues) {
        std::vector<RegValue> values;
        if (const platform::Long status = ReadValues(cmd.api, handle, values)) return status;
        for (auto& value : values) {
            bool hit = false;
            if (search.valueName) {
                hit = SameName(value.name, *search.valueName);
            } else if (search.types.empty() ||
                       std::find(search.types.begin(), search.types.end(), value.type) !=
                           search.types.end()) {
                hit = (search.valueNames && search.pattern.Matches(value.name)) ||
                      (search.data && search.pattern.Matches(QueryText(value)));
            }
            if (hit) found.push_back(std::move(value));
        }
    }
    if (!named && found.empty()) return platform::kErrorSuccess;
    matches += (named ? 1 : 0) + found.size();
    cmd.env.out += key.Full() + u"\n";
    for (const auto& value : found) cmd.env.out += ValueLine(value);
    if (!found.empty()) cmd.env.out += u"\n";
    MaybeFlush(cmd);
    return platform::kErrorSuccess;
}

int RunSearch(Command& cmd, const Search& search, const KeyName& key, bool recursive) {
    cmd.env.out += u"\n";
    std::size_t matches = 0;
    platform::Long status = platform::kErrorSuccess;
    if (recursive) {
        status = WalkTree(cmd.api, key, [&](const KeyName& name, platform::Hkey handle) {
            return SearchKey(cmd, search, name, handle, name.path.size() != key.path.size(),
                             true, matches);
        });
    } else {
        // Without /s: the key's values and the names of the keys right below it.
        platform::Hkey handle = platform::kNullKey;
        status = Open(cmd.api, key, &handle);
        if (status == platform::kErrorSuccess) {
            platform::KeyHandle open(cmd.api, handle);
            status = SearchKey(cmd, search, key, open.get(), false, true, matches);
            std::vector<std::u16string> children;
            if (!status) status = ReadSubKeys(cmd.api, open.get(), children);
            for (std::size_t i = 0; !status && i < children.size(); ++i) {
                status = SearchKey(cmd, search, Child(key, children[i]), platform::kNullKey,
                                   true, false, matches);
            }
        }
    }
    if (status) return cmd.FailStatus(status);
    cmd.env.out += u"End of search: " + Ascii(std::to_string(matches)) + u" match(es) found.\n";
    // Like a query of one value that is not there, a search that finds nothing fails, so
    // that a script can tell.
    return matches ? 0 : 1;
}

// The types of /t TYPE[,TYPE...], or the reason they are none.
std::optional<std::vector<platform::Dword>> Types(const std::u16string& list, std::u16string& why) {
    std::vector<platform::Dword> types;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(u',', start), list.size());
        const std::u16string name = list.substr(start, comma - start);
        std::string narrow;
        for (const char16_t c : name) narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        const auto type = TypeFromName(narrow);
        if (!type) {
            why = u"\"" + name + u"\" is not a type of /t. The types are " + Ascii(TypeNames()) +
                  u".";
            return std::nullopt;
        }
        types.push_back(*type);
        start = comma + 1;
    }
    return types;
}

}  // namespace

int Query(Command& cmd) {
    // A listing shows one moment of the registry, however long it is.
    const auto snapshot = cmd.Snapshot();
    std::u16string why;
    const auto key = cmd.Key(0, &why);
    if (!key) return cmd.Fail(why);
    const auto choice = cmd.ValueChoice();
    if (!choice) return cmd.SyntaxError(u"/v and /ve cannot be used together.");
    const bool recursive = cmd.line.Has(u"s");
    const bool searching = cmd.line.Has(u"f") || cmd.line.Has(u"t");
    for (const char16_t* refinement : {u"k", u"d", u"c", u"e"}) {
        if (cmd.line.Has(refinement) && !cmd.line.Has(u"f")) {
            return cmd.SyntaxError(u"/" + std::u16string(refinement) +
                                   u" refines a search and needs /f TEXT.");
        }
    }
    if (cmd.line.Has(u"k") && cmd.line.Has(u"d")) {
        return cmd.SyntaxError(u"/k and /d cannot be used together: without either, both are "
                               u"searched.");
    }
    if (cmd.line.Has(u"k") && cmd.line.Has(u"t")) {
        return cmd.SyntaxError(u"/k searches key names, which have no type: it cannot be used "
                               u"with /t.");
    }
    if (searching && *choice) {
        return cmd.SyntaxError(u"/f and /t search every value; they cannot be used with /v or "
                               u"/ve.");
    }
    if (searching) {
        Search search;
        search.pattern.text = cmd.line.Has(u"f") ? cmd.line.Value(u"f") : u"*";
        search.pattern.caseSensitive = cmd.line.Has(u"c");
        search.pattern.exact = cmd.line.Has(u"e");
        if (cmd.line.Has(u"t")) {
            const auto types = Types(cmd.line.Value(u"t"), why);
            if (!types) return cmd.SyntaxError(why);
            search.types = *types;
        }
        // Types belong to values: with /t, key names are not searched.
        search.keyNames = !cmd.line.Has(u"d") && !cmd.line.Has(u"t");
        search.valueNames = search.data = !cmd.line.Has(u"k");
        search.valueNames = search.valueNames && !cmd.line.Has(u"d");
        return RunSearch(cmd, search, *key, recursive);
    }
    if (!*choice) return QueryTree(cmd, *key, recursive);
    if (recursive) {
        Search search;
        search.keyNames = false;
        search.valueName = **choice;
        return RunSearch(cmd, search, *key, true);
    }
    platform::Hkey handle = platform::kNullKey;
    if (const platform::Long status = Open(cmd.api, *key, &handle)) return cmd.FailStatus(status);
    platform::KeyHandle open(cmd.api, handle);
    // Listed rather than read by name, to show the name as the registry spells it.
    std::vector<RegValue> values;
    if (const platform::Long status = ReadValues(cmd.api, open.get(), values))
        return cmd.FailStatus(status);
    for (const auto& value : values) {
        if (SameName(value.name, **choice)) {
            cmd.env.out += u"\n" + key->Full() + u"\n" + ValueLine(value) + u"\n";
            return 0;
        }
    }
    // Every key has an unnamed value to reg.exe, set or not.
    if ((*choice)->empty()) {
        cmd.env.out += u"\n" + key->Full() + u"\n    (Default)    REG_SZ    (value not set)\n";
        return 0;
    }
    return cmd.FailStatus(platform::kErrorFileNotFound);
}

}  // namespace regtool
