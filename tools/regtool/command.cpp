#include "tools/regtool/command.h"

namespace regtool {
namespace {

constexpr std::u16string_view kNotFound =
    u"ERROR: The system was unable to find the specified registry key or value.";

}  // namespace

std::u16string Lower(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
    return out;
}

std::u16string Ascii(std::string_view text) { return {text.begin(), text.end()}; }

CommandLine ParseCommandLine(const std::vector<std::u16string>& arguments) {
    static const std::map<std::u16string, bool> kKnown = {
        {u"v", true}, {u"ve", false}, {u"va", false}, {u"s", false},        {u"t", true},
        {u"d", true}, {u"f", false},  {u"y", false},  {u"regedit4", false},
    };
    CommandLine line;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::u16string& argument = arguments[i];
        if (argument.size() > 1 && (argument[0] == u'/' || argument[0] == u'-')) {
            const auto known = kKnown.find(Lower(argument.substr(1)));
            if (known != kKnown.end()) {
                if (line.switches.count(known->first)) line.valid = false;
                if (known->second) {
                    if (i + 1 >= arguments.size()) {
                        line.valid = false;
                        break;
                    }
                    line.switches[known->first] = arguments[++i];
                } else {
                    line.switches[known->first] = std::nullopt;
                }
                continue;
            }
        }
        line.positional.push_back(argument);
    }
    return line;
}

int Command::Fail(std::u16string_view message) {
    env.err += message;
    return 1;
}

int Command::Succeed() {
    env.out += u"The operation completed successfully.\n";
    return 0;
}

int Command::Cancelled() {
    env.out += u"The operation was cancelled by the user.\n";
    return 0;
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

std::optional<KeyName> Command::Key(std::size_t positionals) const {
    if (line.positional.size() != positionals) return std::nullopt;
    return ParseKeyName(line.positional[0]);
}

std::optional<std::optional<std::u16string>> Command::ValueChoice() const {
    if (line.Has(u"v") && line.Has(u"ve")) return std::nullopt;
    if (line.Has(u"v")) return std::optional<std::u16string>(line.Value(u"v"));
    if (line.Has(u"ve")) return std::optional<std::u16string>(u"");
    return std::optional<std::u16string>();
}

}  // namespace regtool
