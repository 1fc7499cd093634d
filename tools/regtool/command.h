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

class Command;

// One switch of a command: its name without the / or -, and what follows it, if anything
// ("NAME" for /v NAME).
struct SwitchSpec {
    const char16_t* name;
    const char16_t* value = nullptr;
};

// A command's name as help shows it ("QUERY"), the arguments it takes in order ("KEY",
// "FILE"), its switches and what runs it.
struct CommandSyntax {
    const char16_t* name;
    std::vector<const char16_t*> positionals;
    std::vector<SwitchSpec> switches;
    int (*run)(Command&);
};

// The commands the tool knows, in the order help lists them.
const std::vector<CommandSyntax>& CommandSyntaxes();

// Switches take / or -; only names the command knows count, so that a path such as
// /tmp/x.reg stays an argument.
struct CommandLine {
    std::vector<std::u16string> positional;
    std::map<std::u16string, std::optional<std::u16string>> switches;
    // What is wrong with the arguments, naming the one at fault; empty when nothing is.
    std::u16string error;

    bool Has(const char16_t* name) const { return switches.count(name) != 0; }
    std::u16string Value(const char16_t* name) const {
        const auto found = switches.find(name);
        return found != switches.end() && found->second ? *found->second : std::u16string();
    }
};

// The arguments after the command's name, read by the command's own switches.
CommandLine ParseCommandLine(const std::vector<std::u16string>& arguments,
                             const CommandSyntax& syntax);

// True for /?, -?, /h, -h and --help.
bool IsHelpSwitch(std::u16string_view argument);

// The help page of a command, or of the tool when syntax is null; the tool's page explains
// --registry when namedRegistry says the registry can be named on the command line.
std::u16string HelpPage(const CommandSyntax* syntax, bool namedRegistry = false);

class Command {
public:
    Command(ToolEnvironment& environment, const CommandSyntax& commandSpec, CommandLine commandLine)
        : env(environment), api(environment.registry), syntax(commandSpec), line(std::move(commandLine)) {}

    ToolEnvironment& env;
    platform::WideRegistryApi& api;
    const CommandSyntax& syntax;
    CommandLine line;

    int Fail(std::u16string_view message);
    // "ERROR: Invalid syntax: <what>" and where the command's help is.
    int SyntaxError(std::u16string_view what);
    // "The operation completed successfully."
    int Succeed();
    // The user said no: nothing was done, which a script must be able to tell.
    int Cancelled();
    static std::u16string StatusMessage(platform::Long status);
    int FailStatus(platform::Long status) { return Fail(StatusMessage(status) + u"\n"); }

    // The key named by the positional argument at `index`, or the reason it names none, as
    // the words of a refusal with a hint for the usual mistakes.
    std::optional<KeyName> Key(std::size_t index, std::u16string* why) const;
    // Exactly one of /v NAME and /ve, or neither; the name of the value it means.
    std::optional<std::optional<std::u16string>> ValueChoice() const;
    // The line that ends a syntax error: where help for this command is.
    std::u16string HelpHint() const;

    // Holds the registry at one moment, where it can be held, while the result lives.
    std::unique_ptr<RegistrySnapshot> Snapshot() const {
        return env.beginSnapshot ? env.beginSnapshot() : nullptr;
    }

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
int Copy(Command& cmd);
int Compare(Command& cmd);
int Export(Command& cmd);
int Import(Command& cmd);

}  // namespace regtool
