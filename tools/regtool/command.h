// What every command of the tool works with: its arguments, the registry, and its ways
// of answering.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/regtool/commands.h"
#include "tools/regtool/key_name.h"

namespace regtool {

// ASCII letters in lower case; other characters as they are.
std::u16string Lower(std::u16string_view text);
// ASCII text as UTF-16.
std::u16string Ascii(std::string_view text);

// Switches take / or -; only names the tool knows count, so that a path such as
// /tmp/x.reg stays an argument.
struct CommandLine {
    std::vector<std::u16string> positional;
    std::map<std::u16string, std::optional<std::u16string>> switches;
    bool valid = true;

    bool Has(const char16_t* name) const { return switches.count(name) != 0; }
    std::u16string Value(const char16_t* name) const {
        const auto found = switches.find(name);
        return found != switches.end() && found->second ? *found->second : std::u16string();
    }
};

// The arguments after the command's name.
CommandLine ParseCommandLine(const std::vector<std::u16string>& arguments);

inline constexpr std::u16string_view kSyntax = u"ERROR: Invalid syntax.\n";
inline constexpr std::u16string_view kInvalidKey = u"ERROR: Invalid key name.\n";

class Command {
public:
    Command(ToolEnvironment& environment, CommandLine commandLine)
        : env(environment), api(environment.registry), line(std::move(commandLine)) {}

    ToolEnvironment& env;
    platform::WideRegistryApi& api;
    CommandLine line;

    int Fail(std::u16string_view message);
    // "The operation completed successfully."
    int Succeed();
    // The user said no.
    int Cancelled();
    static std::u16string StatusMessage(platform::Long status);
    int FailStatus(platform::Long status) { return Fail(StatusMessage(status) + u"\n"); }

    // The key named first, when there are exactly `positionals` arguments.
    std::optional<KeyName> Key(std::size_t positionals) const;
    // Exactly one of /v NAME and /ve, or neither; the name of the value it means.
    std::optional<std::optional<std::u16string>> ValueChoice() const;

    // Makes changes in one transaction where the registry has them, so that a change
    // refused halfway leaves everything as it was.
    template <typename Changes>
    int AllOrNothing(Changes&& changes) {
        std::unique_ptr<RegistryTransaction> transaction;
        if (env.beginTransaction) {
            transaction = env.beginTransaction();
            if (!transaction) return Fail(u"ERROR: The registry cannot be changed now.\n");
        }
        const platform::Long status = changes();
        if (status != platform::kErrorSuccess) {
            return Fail(StatusMessage(status) + (transaction ? u" Nothing was changed.\n" : u"\n"));
        }
        if (transaction && !transaction->Commit()) {
            return Fail(u"ERROR: The registry refused the change. Nothing was changed.\n");
        }
        return Succeed();
    }
};

// The commands, one file each.
int Query(Command& cmd);
int Add(Command& cmd);
int Delete(Command& cmd);
int Export(Command& cmd);
int Import(Command& cmd);

}  // namespace regtool
