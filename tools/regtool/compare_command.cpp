// compare: where two keys, or two trees with /s, differ; exit 0 when they are the same,
// 2 when they differ, 1 when they cannot be compared.
#include "tools/regtool/command.h"
#include "tools/regtool/registry_tree.h"
#include "tools/regtool/text_match.h"

namespace regtool {
namespace {

struct Side {
    KeyName key;
    std::vector<RegValue> values;
    std::vector<std::u16string> children;
};

// Opens a key and reads its values, and its subkeys' names when they are compared.
platform::Long Read(platform::WideRegistryApi& api, const KeyName& key, bool children, Side& side) {
    platform::Hkey handle = platform::kNullKey;
    if (const platform::Long status = Open(api, key, &handle)) return status;
    platform::KeyHandle open(api, handle);
    side.key = key;
    if (const platform::Long status = ReadValues(api, open.get(), side.values)) return status;
    return children ? ReadSubKeys(api, open.get(), side.children) : platform::kErrorSuccess;
}

class Comparison {
public:
    Comparison(Command& cmd, bool showSame, bool showDifferent)
        : cmd_(cmd), showSame_(showSame), showDifferent_(showDifferent) {}

    // Compares the values of two keys (only those called `only`, when given); the subkeys
    // that only one has, when `children` were read; returns the subkeys both have.
    std::vector<std::pair<std::u16string, std::u16string>> Keys(
        const Side& left, const Side& right, const std::optional<std::u16string>& only) {
        for (const auto& value : left.values) {
            if (only && !SameName(value.name, *only)) continue;
            const RegValue* other = Find(right.values, value.name);
            if (!other) {
                Line(u'<', u"Value: " + Describe(left.key, value));
            } else if (other->type == value.type && other->data == value.data) {
                Line(u'=', u"Value: " + Describe(left.key, value));
            } else {
                Line(u'<', u"Value: " + Describe(left.key, value));
                Line(u'>', u"Value: " + Describe(right.key, *other), false);
            }
        }
        for (const auto& value : right.values) {
            if (only && !SameName(value.name, *only)) continue;
            if (!Find(left.values, value.name)) Line(u'>', u"Value: " + Describe(right.key, value));
        }
        std::vector<std::pair<std::u16string, std::u16string>> both;
        for (const auto& child : left.children) {
            const auto match = FindName(right.children, child);
            if (match) {
                both.emplace_back(child, *match);
            } else {
                Line(u'<', u"Key: " + Child(left.key, child).Full());
            }
        }
        for (const auto& child : right.children) {
            if (!FindName(left.children, child)) Line(u'>', u"Key: " + Child(right.key, child).Full());
        }
        return both;
    }

    std::size_t differences = 0, matches = 0;

private:
    static const RegValue* Find(const std::vector<RegValue>& values, const std::u16string& name) {
        for (const auto& value : values) {
            if (SameName(value.name, name)) return &value;
        }
        return nullptr;
    }
    static std::optional<std::u16string> FindName(const std::vector<std::u16string>& names,
                                                  const std::u16string& name) {
        for (const auto& candidate : names) {
            if (SameName(candidate, name)) return candidate;
        }
        return std::nullopt;
    }
    static std::u16string Describe(const KeyName& key, const RegValue& value) {
        return key.Full() + u"  " + (value.name.empty() ? u"(Default)" : value.name) + u"  " +
               Ascii(TypeName(value.type)) + u"  " + QueryText(value);
    }
    // One line of the result; the second line of a pair does not count again.
    void Line(char16_t mark, const std::u16string& text, bool counts = true) {
        const bool same = mark == u'=';
        if (counts) ++(same ? matches : differences);
        if (same ? showSame_ : showDifferent_) cmd_.env.out += std::u16string(1, mark) + u" " + text + u"\n";
    }

    Command& cmd_;
    bool showSame_, showDifferent_;
};

}  // namespace

int Compare(Command& cmd) {
    // Both trees are compared as they stand at one moment.
    const auto snapshot = cmd.Snapshot();
    std::u16string why;
    const auto left = cmd.Key(0, &why);
    if (!left) return cmd.Fail(why);
    const auto right = cmd.Key(1, &why);
    if (!right) return cmd.Fail(why);
    const auto choice = cmd.ValueChoice();
    if (!choice) return cmd.SyntaxError(u"/v and /ve cannot be used together.");
    const bool recursive = cmd.line.Has(u"s");
    if (recursive && *choice) {
        return cmd.SyntaxError(u"/s compares whole trees; it cannot be used with /v or /ve.");
    }
    const char16_t* output = u"od";
    int outputs = 0;
    for (const char16_t* name : {u"oa", u"od", u"os", u"on"}) {
        if (cmd.line.Has(name)) {
            output = name;
            ++outputs;
        }
    }
    if (outputs > 1) return cmd.SyntaxError(u"only one of /oa, /od, /os and /on may be given.");
    const std::u16string mode = output;
    Comparison comparison(cmd, mode == u"oa" || mode == u"os", mode == u"oa" || mode == u"od");
    const std::size_t start = cmd.env.out.size();
    cmd.env.out += u"\n";
    // Walked with a list of pairs still to compare rather than by recursion, so that a
    // tree of any depth takes no stack in proportion to it.
    std::vector<std::pair<KeyName, KeyName>> pending{{*left, *right}};
    while (!pending.empty()) {
        auto [leftKey, rightKey] = std::move(pending.back());
        pending.pop_back();
        Side a, b;
        if (const platform::Long status = Read(cmd.api, leftKey, recursive, a)) {
            return cmd.FailStatus(status);
        }
        if (const platform::Long status = Read(cmd.api, rightKey, recursive, b)) {
            return cmd.FailStatus(status);
        }
        const auto both = comparison.Keys(a, b, *choice);
        for (auto it = both.rbegin(); it != both.rend(); ++it) {
            pending.emplace_back(Child(leftKey, it->first), Child(rightKey, it->second));
        }
    }
    // A value that neither key has is no difference but a mistake.
    if (*choice && comparison.differences + comparison.matches == 0) {
        cmd.env.out.resize(start);
        return cmd.FailStatus(platform::kErrorFileNotFound);
    }
    const bool identical = comparison.differences == 0;
    cmd.env.out += std::u16string(u"\nResult Compared: ") + (identical ? u"Identical" : u"Different") +
                   u"\nThe operation completed successfully.\n";
    return identical ? 0 : 2;
}

}  // namespace regtool
