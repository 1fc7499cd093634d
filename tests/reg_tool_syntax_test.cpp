// The registry tool's help pages and its refusals of command lines: each names the
// argument at fault and says where the command's help is.
#include <gtest/gtest.h>

#include "reg_tool_fixture.h"
#include "tools/regtool/command.h"

namespace {

using RegToolSyntax = testing_support::RegToolTest;
using testing_support::kToolFull;
using testing_support::kToolKey;

std::u16string Upper(std::u16string text) {
    for (char16_t& c : text) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    }
    return text;
}

}  // namespace

TEST_F(RegToolSyntax, EveryCommandHasAHelpPageNamingEverySwitchWithAnExample) {
    std::vector<std::u16string> pages;
    for (const auto& syntax : regtool::CommandSyntaxes()) {
        const std::u16string name = syntax.name;
        ASSERT_EQ(Run({regtool::Lower(name), u"/?"}), 0) << Narrow(name);
        pages.push_back(env.out);
        for (const char16_t* form : {u"-?", u"-h", u"--help", u"/H"}) {
            ASSERT_EQ(Run({name, form}), 0) << Narrow(name + u" " + form);
            EXPECT_TRUE(env.err.empty());
            EXPECT_EQ(env.out, pages.back()) << "every form shows the same page";
        }
        const std::u16string& page = pages.back();
        EXPECT_EQ(page.find(u"vantrel-reg " + regtool::Lower(name) + u" "), 0u) << Narrow(page);
        EXPECT_NE(page.find(u"Example"), std::u16string::npos) << Narrow(name);
        for (const auto* positional : syntax.positionals) {
            EXPECT_NE(page.find(positional), std::u16string::npos) << Narrow(name);
        }
        for (const auto& option : syntax.switches) {
            const std::u16string shown = u"  /" + std::u16string(option.name) + u" ";
            EXPECT_NE(page.find(shown), std::u16string::npos)
                << Narrow(name) << " does not explain /" << Narrow(option.name);
            if (option.value) {
                EXPECT_NE(page.find(u"/" + std::u16string(option.name) + u" "), std::u16string::npos);
            }
        }
    }
    // No two commands share a page.
    for (std::size_t i = 0; i < pages.size(); ++i) {
        for (std::size_t k = i + 1; k < pages.size(); ++k) EXPECT_NE(pages[i], pages[k]);
    }
    // Help asked among other arguments wins over them, and changes nothing.
    EXPECT_EQ(Run({u"delete", kToolKey, u"/?"}), 0);
    EXPECT_EQ(env.out, pages[2]);
}

TEST_F(RegToolSyntax, TheToolsOwnHelpListsEveryCommand) {
    for (const char16_t* form : {u"/?", u"-?", u"-h", u"--help"}) {
        ASSERT_EQ(Run({form}), 0);
        for (const auto& syntax : regtool::CommandSyntaxes()) {
            EXPECT_NE(env.out.find(u"  " + std::u16string(syntax.name) + u" "), std::u16string::npos)
                << Narrow(syntax.name);
        }
        EXPECT_NE(env.out.find(u"Example"), std::u16string::npos);
    }
}

TEST_F(RegToolSyntax, TheToolsHelpExplainsRegistryOnlyWhereTheRegistryCanBeNamed) {
    ASSERT_EQ(Run({u"/?"}), 0);
    const std::u16string fixed = env.out;
    EXPECT_EQ(fixed.find(u"vantrel-reg COMMAND [ARGUMENTS]\n"), 0u);
    EXPECT_EQ(fixed.find(u"--registry"), std::u16string::npos);

    env.namedRegistry = true;
    ASSERT_EQ(Run({u"/?"}), 0);
    const std::u16string named = env.out;
    EXPECT_EQ(named.find(u"vantrel-reg [--registry PATH] [--user NAME] COMMAND [ARGUMENTS]\n"), 0u);
    const std::size_t option = named.find(u"\n  --registry PATH\n");
    ASSERT_NE(option, std::u16string::npos);
    // After the commands, before what holds for every switch, in the pages' own indent.
    EXPECT_LT(named.find(u"  IMPORT "), option);
    EXPECT_GT(named.find(u"Switches start"), option);
    EXPECT_NE(named.find(u"             the folder of a Wine prefix"), std::u16string::npos);
    EXPECT_GT(named.find(u"\n  --user NAME\n"), option);
    // The rest of the page is the page without the option.
    std::u16string without = named;
    without.erase(option + 1, named.find(u"Switches start") - option - 1);
    without.replace(0, without.find(u'\n'), u"vantrel-reg COMMAND [ARGUMENTS]");
    EXPECT_EQ(without, fixed);
    // A command's page stays as it is.
    ASSERT_EQ(Run({u"query", u"/?"}), 0);
    EXPECT_EQ(env.out.find(u"--registry"), std::u16string::npos);
}

TEST_F(RegToolSyntax, ASyntaxErrorNamesTheArgumentAndEndsWithWhereHelpIs) {
    struct Case {
        std::vector<std::u16string> arguments;
        std::u16string error;
    };
    const Case cases[] = {
        {{u"query", kToolKey, u"/x"}, u"\"/x\" is not a switch of QUERY."},
        {{u"query", u"-force", kToolKey}, u"\"-force\" is not a switch of QUERY."},
        {{u"add", kToolKey, u"/v", u"My", u"Value", u"/d", u"1"},
         u"\"Value\" is one argument too many. A name or data that holds spaces must be "
         u"quoted: /v \"My Value\"."},
        {{u"export", kToolKey, u"a.reg", u"b.reg"}, u"\"b.reg\" is one argument too many."},
        {{u"query", kToolKey, u"/v"}, u"\"/v\" needs a value name after it."},
        {{u"add", kToolKey, u"/v", u"x", u"/t"}, u"\"/t\" needs a type after it."},
        {{u"query", kToolKey, u"/s", u"-S"}, u"\"-S\" is given twice."},
        {{u"query"}, u"QUERY needs KEY."},
        {{u"copy", kToolKey}, u"COPY needs KEY2."},
        {{u"import"}, u"IMPORT needs FILE."},
        {{u"query", kToolKey, u"/v", u"a", u"/ve"}, u"/v and /ve cannot be used together."},
        {{u"query", kToolKey, u"/k"}, u"/k refines a search and needs /f TEXT."},
        {{u"query", kToolKey, u"/f", u"x", u"/k", u"/d"}, u"/k and /d cannot be used together"},
        {{u"query", kToolKey, u"/t", u"REG_SZ,REG_WORD"},
         u"\"REG_WORD\" is not a type of /t. The types are REG_SZ, REG_EXPAND_SZ, "
         u"REG_MULTI_SZ, REG_DWORD, REG_QWORD, REG_BINARY and REG_NONE."},
        {{u"add", kToolKey, u"/v", u"x", u"/t", u"REG_TEXT"}, u"\"REG_TEXT\" is not a type of /t."},
        {{u"add", kToolKey, u"/v", u"x", u"/s", u"#", u"/d", u"a#b"},
         u"/s separates the strings of REG_MULTI_SZ data; give /t REG_MULTI_SZ with it."},
        {{u"add", kToolKey, u"/v", u"x", u"/t", u"REG_MULTI_SZ", u"/s", u"##"},
         u"/s takes one character, not \"##\"."},
        {{u"delete", kToolKey, u"/va", u"/v", u"x"}, u"/va deletes every value"},
        {{u"compare", kToolKey, kToolKey, u"/oa", u"/os"},
         u"only one of /oa, /od, /os and /on may be given."},
        {{u"compare", kToolKey, kToolKey, u"/s", u"/ve"}, u"/s compares whole trees"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.arguments), 1) << Narrow(c.error);
        const std::u16string command = Upper(c.arguments[0]);
        const std::u16string start = u"ERROR: Invalid syntax: " + c.error;
        EXPECT_EQ(env.err.substr(0, start.size()), start) << Narrow(env.err);
        const std::u16string end = u"\nType \"vantrel-reg " + command + u" /?\" for help.\n";
        ASSERT_GE(env.err.size(), end.size());
        EXPECT_EQ(env.err.substr(env.err.size() - end.size()), end) << Narrow(env.err);
        EXPECT_TRUE(env.out.empty());
    }
    EXPECT_EQ(Run({u"query", kToolKey}), 1) << "nothing above made the key";
}

TEST_F(RegToolSyntax, AnUnknownCommandOrNoneListsTheCommands) {
    EXPECT_EQ(Run({u"frobnicate", kToolKey}), 1);
    EXPECT_EQ(env.err,
              u"ERROR: Invalid syntax: \"frobnicate\" is not a command. The commands are QUERY, "
              u"ADD, DELETE, COPY, COMPARE, EXPORT and IMPORT.\nType \"vantrel-reg /?\" for "
              u"help.\n");
    EXPECT_EQ(Run({}), 1);
    EXPECT_EQ(env.err,
              u"ERROR: Invalid syntax: no command was given.\nType \"vantrel-reg /?\" for help.\n");
}

TEST_F(RegToolSyntax, KeyNamesWrittenTheWayShellsMangleThemGetAHint) {
    EXPECT_EQ(Run({u"query", u"HKCU/Software/Demo"}), 1);
    EXPECT_EQ(env.err,
              u"ERROR: Invalid key name \"HKCU/Software/Demo\". Key names use backslashes: "
              u"HKCU\\Software\\Demo; quote them in the shell.\n"
              u"Type \"vantrel-reg QUERY /?\" for help.\n");
    // An unquoted key in bash loses its backslashes.
    EXPECT_EQ(Run({u"add", u"HKEY_CURRENT_USERSoftwareDemo", u"/f"}), 1);
    EXPECT_EQ(env.err,
              u"ERROR: Invalid key name \"HKEY_CURRENT_USERSoftwareDemo\". It has no backslash "
              u"after HKEY_CURRENT_USER: the shell removes backslashes that are not quoted. "
              u"Quote the key, as in \"HKEY_CURRENT_USER\\Software\\Demo\".\n"
              u"Type \"vantrel-reg ADD /?\" for help.\n");
    EXPECT_EQ(Run({u"copy", kToolKey, u"hklm/Software/Copy"}), 1);
    EXPECT_NE(env.err.find(u"Key names use backslashes: hklm\\Software\\Copy;"), std::u16string::npos);
    EXPECT_NE(env.err.find(u"\"vantrel-reg COPY /?\""), std::u16string::npos);
    EXPECT_EQ(Run({u"delete", u"HKXX\\Software", u"/f"}), 1);
    EXPECT_NE(env.err.find(u"Invalid key name \"HKXX\\Software\". A key name begins with HKLM, "
                           u"HKCU, HKCR, HKU or HKCC"),
              std::u16string::npos);
    // A name with a slash below a real root is a name like any other.
    ASSERT_EQ(Run({u"add", kToolKey + u"\\A/B", u"/f"}), 0);
    EXPECT_EQ(Run({u"query", kToolKey + u"\\A/B"}), 0);
}

TEST_F(RegToolSyntax, AFolderNamedAsAFileIsCalledAFolder) {
    ASSERT_EQ(Run({u"add", kToolKey, u"/v", u"A", u"/d", u"1", u"/f"}), 0);
    const std::string folder = dir.File("");
    const std::u16string path(folder.begin(), folder.end() - 1);  // without its final slash
    EXPECT_EQ(Run({u"import", path}), 1);
    EXPECT_EQ(env.err, u"ERROR: " + path + u" is a folder. Name the .reg file to import.\n");
    EXPECT_EQ(Run({u"export", kToolKey, path}), 1);
    EXPECT_EQ(env.err, u"ERROR: " + path + u" is a folder. Name the file to write, such as " +
                           path + (path.find(u'/') == std::u16string::npos ? u"\\" : u"/") +
                           u"backup.reg.\n");
    EXPECT_TRUE(questions.empty()) << "no question about overwriting a folder";
}

TEST_F(RegToolSyntax, ACancelledQuestionExitsOneAndChangesNothing) {
    ASSERT_EQ(Run({u"add", kToolKey, u"/v", u"A", u"/d", u"kept", u"/f"}), 0);
    ASSERT_EQ(Run({u"add", kToolKey + u"\\Copy", u"/v", u"A", u"/d", u"other", u"/f"}), 0);
    const std::u16string file = File("kept.reg");
    Write(file, "old");
    answer = false;
    const std::vector<std::vector<std::u16string>> cancelled = {
        {u"delete", kToolKey},
        {u"delete", kToolKey, u"/va"},
        {u"delete", kToolKey, u"/v", u"A"},
        {u"add", kToolKey, u"/v", u"A", u"/d", u"new"},
        {u"export", kToolKey, file},
        {u"copy", kToolKey, kToolKey + u"\\Copy"},
    };
    for (const auto& arguments : cancelled) {
        const std::size_t asked = questions.size();
        EXPECT_EQ(Run(arguments), 1) << Narrow(arguments[0]);
        EXPECT_EQ(questions.size(), asked + 1);
        EXPECT_EQ(env.out, u"The operation was cancelled by the user. Nothing was changed.\n");
    }
    EXPECT_EQ(Read(file), "old");
    ASSERT_EQ(Run({u"query", kToolKey, u"/v", u"A"}), 0);
    EXPECT_NE(env.out.find(u"kept"), std::u16string::npos);
    ASSERT_EQ(Run({u"query", kToolKey + u"\\Copy", u"/v", u"A"}), 0);
    EXPECT_NE(env.out.find(u"other"), std::u16string::npos);
}
