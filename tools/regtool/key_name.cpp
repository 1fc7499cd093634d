#include "tools/regtool/key_name.h"

#include <array>

namespace regtool {
namespace {

struct Root {
    const char16_t* longName;
    const char16_t* shortName;
    platform::Dword code;
};

constexpr std::array<Root, 5> kRoots{{
    {u"HKEY_LOCAL_MACHINE", u"HKLM", platform::kHkeyLocalMachine},
    {u"HKEY_CURRENT_USER", u"HKCU", platform::kHkeyCurrentUser},
    {u"HKEY_CLASSES_ROOT", u"HKCR", platform::kHkeyClassesRoot},
    {u"HKEY_USERS", u"HKU", platform::kHkeyUsers},
    {u"HKEY_CURRENT_CONFIG", u"HKCC", platform::kHkeyCurrentConfig},
}};

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

bool SameAscii(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i])) return false;
    }
    return true;
}

std::u16string_view Trim(std::u16string_view path) {
    while (!path.empty() && path.front() == u'\\') path.remove_prefix(1);
    while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    return path;
}

}  // namespace

std::u16string KeyName::Full() const { return path.empty() ? rootName : rootName + u"\\" + path; }

std::optional<KeyName> ParseKeyName(std::u16string_view text) {
    const std::size_t slash = text.find(u'\\');
    const std::u16string_view rootText = text.substr(0, slash);
    for (const auto& root : kRoots) {
        if (SameAscii(rootText, root.longName) || SameAscii(rootText, root.shortName)) {
            const std::u16string_view rest =
                slash == std::u16string_view::npos ? std::u16string_view() : text.substr(slash + 1);
            return KeyName{platform::RootKey(root.code), root.longName, std::u16string(Trim(rest))};
        }
    }
    return std::nullopt;
}

std::u16string_view LeadingRoot(std::u16string_view text) {
    std::u16string_view found;
    for (const auto& root : kRoots) {
        for (const std::u16string_view name : {root.longName, root.shortName}) {
            if (name.size() > found.size() && text.size() >= name.size() &&
                SameAscii(text.substr(0, name.size()), name)) {
                found = text.substr(0, name.size());
            }
        }
    }
    return found;
}

KeyName Child(const KeyName& parent, std::u16string_view child) {
    KeyName name = parent;
    name.path = parent.path.empty() ? std::u16string(child) : parent.path + u"\\" + std::u16string(child);
    return name;
}

}  // namespace regtool
