#include "tools/regtool/command.h"

namespace regtool {
namespace {

constexpr std::u16string_view kNotFound =
    u"ERROR: The system was unable to find the specified registry key or value.";

// An argument that can only have been meant as a switch: / or - and a short word, such as
// /x or -force; a path such as /tmp/x.reg has more to it.
bool LooksLikeSwitch(std::u16string_view argument) {
    if (argument.size() < 2 || argument.size() > 12) return false;
    if (argument[0] != u'/' && argument[0] != u'-') return false;
    for (const char16_t c : argument.substr(1)) {
        const bool word = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                          (c >= u'0' && c <= u'9') || c == u'?' || c == u':' || c == u'-';
        if (!word) return false;
    }
    return true;
}

std::u16string Quoted(std::u16string_view text) { return u"\"" + std::u16string(text) + u"\""; }

}  // namespace

std::u16string Lower(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
    return out;
}

std::u16string Ascii(std::string_view text) { return {text.begin(), text.end()}; }

bool IsHelpSwitch(std::u16string_view argument) {
    const std::u16string lower = Lower(argument);
    return lower == u"/?" || lower == u"-?" || lower == u"/h" || lower == u"-h" ||
           lower == u"--help";
}

CommandLine ParseCommandLine(const std::vector<std::u16string>& arguments,
                             const CommandSyntax& syntax) {
    CommandLine line;
    // Whether each positional argument came right after a switch's own value: a name or
    // data with spaces that the shell split.
    std::vector<bool> afterValue;
    bool lastWasValue = false;
    auto fail = [&line](std::u16string message) {
        if (line.error.empty()) line.error = std::move(message);
    };
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::u16string& argument = arguments[i];
        const SwitchSpec* known = nullptr;
        if (argument.size() > 1 && (argument[0] == u'/' || argument[0] == u'-')) {
            const std::u16string name = Lower(argument.substr(1));
            for (const auto& candidate : syntax.switches) {
                if (name == candidate.name) known = &candidate;
            }
        }
        if (!known) {
            line.positional.push_back(argument);
            afterValue.push_back(lastWasValue);
            lastWasValue = false;
            continue;
        }
        lastWasValue = false;
        if (line.Has(known->name)) fail(Quoted(argument) + u" is given twice.");
        if (!known->value) {
            line.switches[known->name] = std::nullopt;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            fail(Quoted(argument) + u" needs " + known->value + u" after it.");
            line.switches[known->name] = std::nullopt;
            continue;
        }
        line.switches[known->name] = arguments[++i];
        lastWasValue = true;
    }
    const std::size_t wanted = syntax.positionals.size();
    for (std::size_t i = 0; i < line.positional.size(); ++i) {
        // A file may be named /tmp; a key never starts with / or -.
        const bool keySlot = i >= wanted || std::u16string_view(syntax.positionals[i]).find(u"KEY") !=
                                                std::u16string_view::npos;
        if (keySlot && LooksLikeSwitch(line.positional[i]) && !IsHelpSwitch(line.positional[i])) {
            fail(Quoted(line.positional[i]) + u" is not a switch of " + syntax.name + u".");
        }
    }
    if (line.positional.size() > wanted) {
        std::u16string message = Quoted(line.positional[wanted]) + u" is one argument too many.";
        if (afterValue[wanted]) {
            message += u" A name or data that holds spaces must be quoted: /v \"My Value\".";
        }
        fail(message);
    } else if (line.positional.size() < wanted) {
        fail(std::u16string(syntax.name) + u" needs " + syntax.positionals[line.positional.size()] +
             u".");
    }
    return line;
}

int Command::Fail(std::u16string_view message) {
    env.err += message;
    return 1;
}

std::u16string Command::HelpHint() const {
    return u"Type \"vantrel-reg " + std::u16string(syntax.name) + u" /?\" for help.\n";
}

int Command::SyntaxError(std::u16string_view what) {
    return Fail(u"ERROR: Invalid syntax: " + std::u16string(what) + u"\n" + HelpHint());
}

int Command::Succeed() {
    env.out += u"The operation completed successfully.\n";
    return 0;
}

int Command::Cancelled() {
    env.out += u"The operation was cancelled by the user. Nothing was changed.\n";
    return 1;
}

std::u16string Command::StatusMessage(platform::Long status) {
    switch (status) {
        case platform::kErrorFileNotFound:
            return std::u16string(kNotFound);
        case platform::kErrorAccessDenied:
            return u"ERROR: Access is denied.";
        case platform::kErrorNoUnicodeTranslation:
            return u"ERROR: The name or text holds characters that this Windows cannot keep in "
                   u"its registry.";
        case platform::kErrorDiskFull:
            return u"ERROR: There is not enough space on the disk.";
        default:
            return u"ERROR: The registry refused the operation (status " +
                   Ascii(std::to_string(status)) + u").";
    }
}

std::optional<KeyName> Command::Key(std::size_t index, std::u16string* why) const {
    const std::u16string& text = line.positional.at(index);
    if (auto key = ParseKeyName(text)) return key;
    std::u16string hint;
    const std::u16string_view root = LeadingRoot(text);
    const std::size_t slash = text.find(u'/');
    if (!root.empty() && slash == root.size()) {
        std::u16string fixed = text;
        for (char16_t& c : fixed) {
            if (c == u'/') c = u'\\';
        }
        hint = u"Key names use backslashes: " + fixed + u"; quote them in the shell.";
    } else if (!root.empty()) {
        // "HKCUSoftwareDemo": the shell took the backslashes of an unquoted name.
        hint = u"It has no backslash after " + std::u16string(root) +
               u": the shell removes backslashes that are not quoted. Quote the key, as in \"" +
               std::u16string(root) + u"\\Software\\Demo\".";
    } else {
        hint = u"A key name begins with HKLM, HKCU, HKCR, HKU or HKCC (or HKEY_LOCAL_MACHINE, "
               u"HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_USERS or HKEY_CURRENT_CONFIG), then "
               u"a backslash and the path below it.";
    }
    *why = u"ERROR: Invalid key name " + Quoted(text) + u". " + hint + u"\n" + HelpHint();
    return std::nullopt;
}

std::optional<std::optional<std::u16string>> Command::ValueChoice() const {
    if (line.Has(u"v") && line.Has(u"ve")) return std::nullopt;
    if (line.Has(u"v")) return std::optional<std::u16string>(line.Value(u"v"));
    if (line.Has(u"ve")) return std::optional<std::u16string>(u"");
    return std::optional<std::u16string>();
}

}  // namespace regtool
