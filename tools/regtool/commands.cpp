#include "tools/regtool/commands.h"

#include "tools/regtool/command.h"

namespace regtool {

const std::vector<CommandSyntax>& CommandSyntaxes() {
    static const std::vector<CommandSyntax> kSpecs = {
        {u"QUERY",
         {u"KEY"},
         {{u"v", u"a value name"},
          {u"ve"},
          {u"s"},
          {u"f", u"the text to search for"},
          {u"k"},
          {u"d"},
          {u"c"},
          {u"e"},
          {u"t", u"a type"}},
         Query},
        {u"ADD",
         {u"KEY"},
         {{u"v", u"a value name"},
          {u"ve"},
          {u"t", u"a type"},
          {u"s", u"a separator character"},
          {u"d", u"the data"},
          {u"f"}},
         Add},
        {u"DELETE", {u"KEY"}, {{u"v", u"a value name"}, {u"ve"}, {u"va"}, {u"f"}}, Delete},
        {u"COPY", {u"KEY1", u"KEY2"}, {{u"s"}, {u"f"}}, Copy},
        {u"COMPARE",
         {u"KEY1", u"KEY2"},
         {{u"v", u"a value name"}, {u"ve"}, {u"s"}, {u"oa"}, {u"od"}, {u"os"}, {u"on"}},
         Compare},
        {u"EXPORT", {u"KEY", u"FILE"}, {{u"y"}, {u"regedit4"}}, Export},
        {u"IMPORT", {u"FILE"}, {{u"utf8"}}, Import},
    };
    return kSpecs;
}

int RunRegCommand(const std::vector<std::u16string>& arguments, ToolEnvironment& environment) {
    if (arguments.empty()) {
        environment.err += u"ERROR: Invalid syntax: no command was given.\n"
                           u"Type \"vantrel-reg /?\" for help.\n";
        return 1;
    }
    if (IsHelpSwitch(arguments[0])) {
        environment.out += HelpPage(nullptr, environment.namedRegistry);
        return 0;
    }
    const std::u16string name = Lower(arguments[0]);
    for (const auto& syntax : CommandSyntaxes()) {
        if (name != Lower(syntax.name)) continue;
        Command command(environment, syntax, ParseCommandLine(arguments, syntax));
        for (const auto& argument : command.line.positional) {
            if (IsHelpSwitch(argument)) {
                environment.out += HelpPage(&syntax);
                return 0;
            }
        }
        if (!command.line.error.empty()) return command.SyntaxError(command.line.error);
        return syntax.run(command);
    }
    environment.err += u"ERROR: Invalid syntax: \"" + arguments[0] +
                       u"\" is not a command. The commands are QUERY, ADD, DELETE, COPY, "
                       u"COMPARE, EXPORT and IMPORT.\nType \"vantrel-reg /?\" for help.\n";
    return 1;
}

}  // namespace regtool
