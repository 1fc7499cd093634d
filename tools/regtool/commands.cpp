#include "tools/regtool/commands.h"

#include "tools/regtool/command.h"

namespace regtool {

int RunRegCommand(const std::vector<std::u16string>& arguments, ToolEnvironment& environment) {
    Command command(environment, ParseCommandLine(arguments));
    if (arguments.empty() || !command.line.valid) return command.Fail(kSyntax);
    const std::u16string name = Lower(arguments[0]);
    if (name == u"query") return Query(command);
    if (name == u"add") return Add(command);
    if (name == u"delete") return Delete(command);
    if (name == u"export") return Export(command);
    if (name == u"import") return Import(command);
    return command.Fail(
        u"ERROR: Invalid syntax. The commands are QUERY, ADD, DELETE, EXPORT and IMPORT.\n");
}

}  // namespace regtool
