// The help pages that /? shows, one per command and one for the tool.
#include "tools/regtool/command.h"

namespace regtool {
namespace {

constexpr std::u16string_view kKeyHelp =
    u"  KEY        A key: its root, a backslash, and the path below it. The root is\n"
    u"             HKLM, HKCU, HKCR, HKU or HKCC, or the name spelled out\n"
    u"             (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT,\n"
    u"             HKEY_USERS, HKEY_CURRENT_CONFIG). Put it in quotes: a shell takes\n"
    u"             backslashes away from words that are not quoted.\n";

constexpr std::u16string_view kTypes =
    u"             REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_QWORD,\n"
    u"             REG_BINARY or REG_NONE";

constexpr std::u16string_view kToolUsage = u"vantrel-reg COMMAND [ARGUMENTS]\n";

// Where the registry is chosen on the command line, its name comes before the command.
constexpr std::u16string_view kNamedToolUsage =
    u"vantrel-reg [--registry PATH] [--user NAME] COMMAND [ARGUMENTS]\n";

constexpr std::u16string_view kRegistryOptions =
    u"  --registry PATH\n"
    u"             The registry to work on, by what PATH is: a registry store file,\n"
    u"             the folder of a Wine prefix (system.reg, user.reg and\n"
    u"             userdef.reg), or the drive root or Windows folder of a Windows\n"
    u"             installation that is not running. Without it, the registry\n"
    u"             $VANTREL_REGISTRY names, else the default store.\n"
    u"  --user NAME\n"
    u"             On a Windows installation, the user profile that is\n"
    u"             HKEY_CURRENT_USER; without it, $VANTREL_USER, else\n"
    u"             HKEY_USERS\\.Default.\n"
    u"\n"
    u"Both go before the command, in either order; --registry=PATH and --user=NAME\n"
    u"say the same.\n"
    u"\n";

constexpr std::u16string_view kToolCommands =
    u"\n"
    u"Reads, changes, copies, compares, saves and loads registry keys and values.\n"
    u"\n"
    u"  QUERY      shows values and subkeys, or searches for text\n"
    u"  ADD        makes a key, or sets a value\n"
    u"  DELETE     removes a key with everything below it, or values\n"
    u"  COPY       copies the values (and with /s the subkeys) of one key to another\n"
    u"  COMPARE    shows where two keys differ; exits 0 when they are the same, 2\n"
    u"             when they differ\n"
    u"  EXPORT     saves a key and everything below it in a .reg file\n"
    u"  IMPORT     loads a .reg file into the registry\n"
    u"\n";

constexpr std::u16string_view kToolSwitches =
    u"Switches start with / or - and may be written in any case. Every command exits\n"
    u"with 0 when it succeeded and 1 when it failed or was cancelled.\n"
    u"Type \"vantrel-reg COMMAND /?\" for the help of one command.\n"
    u"\n"
    u"Example:\n"
    u"  vantrel-reg query \"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\"\n";

std::u16string Page(std::u16string_view command) {
    const std::u16string name(command);
    if (name == u"QUERY") {
        return u"vantrel-reg query KEY [/v NAME | /ve] [/s]\n"
               u"vantrel-reg query KEY /f TEXT [/k | /d] [/c] [/e] [/t TYPE] [/s]\n"
               u"\n"
               u"Shows the values of a key and the names of its subkeys, one value, or a\n"
               u"whole tree; or searches keys and values for a text.\n"
               u"\n" +
               std::u16string(kKeyHelp) +
               u"  /v NAME    Shows only the value called NAME. With /s, looks for it in\n"
               u"             every key of the tree.\n"
               u"  /ve        Shows only the key's unnamed value, (Default).\n"
               u"  /s         Goes through every key below KEY too.\n"
               u"  /f TEXT    Searches key names, value names and data for TEXT: any case,\n"
               u"             anywhere in them; * finds everything. Ends with the number\n"
               u"             of matches, and exits 1 when there is none.\n"
               u"  /k         Searches key names only.\n"
               u"  /d         Searches data only.\n"
               u"  /c         Tells upper from lower case.\n"
               u"  /e         Finds only names or data that are TEXT exactly.\n"
               u"  /t TYPE    Searches only values of TYPE, one of\n" + std::u16string(kTypes) +
               u"; several may\n"
               u"             be given, separated by commas.\n"
               u"\n"
               u"Examples:\n"
               u"  vantrel-reg query \"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\" "
               u"/v ProductId\n"
               u"  vantrel-reg query \"HKCU\\Software\" /f Demo /k /s\n";
    }
    if (name == u"ADD") {
        return u"vantrel-reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f]\n"
               u"\n"
               u"Makes a key, with the keys above it that are missing, and sets a value in it.\n"
               u"\n" +
               std::u16string(kKeyHelp) +
               u"  /v NAME    The value to set.\n"
               u"  /ve        Sets the key's unnamed value, (Default).\n"
               u"  /t TYPE    The value's type, one of\n" + std::u16string(kTypes) +
               u"; REG_SZ when\n"
               u"             not given.\n"
               u"  /s SEPARATOR\n"
               u"             The one character that separates the strings of REG_MULTI_SZ\n"
               u"             data; \\0 when not given.\n"
               u"  /d DATA    The data: text for the string types; a number for REG_DWORD\n"
               u"             and REG_QWORD, in decimal or with 0x in hex; pairs of hex\n"
               u"             digits for REG_BINARY and REG_NONE.\n"
               u"  /f         Replaces a value that exists without asking.\n"
               u"\n"
               u"Examples:\n"
               u"  vantrel-reg add \"HKCU\\Software\\Demo\" /v Size /t REG_QWORD /d 0x100000000\n"
               u"  vantrel-reg add \"HKCU\\Software\\Demo\" /v Paths /t REG_MULTI_SZ /s ; "
               u"/d \"C:\\One;C:\\Two\"\n";
    }
    if (name == u"DELETE") {
        return u"vantrel-reg delete KEY [/v NAME | /ve | /va] [/f]\n"
               u"\n"
               u"Removes a key with all its subkeys and values, or values of a key.\n"
               u"\n" +
               std::u16string(kKeyHelp) +
               u"  /v NAME    Removes the value called NAME only.\n"
               u"  /ve        Removes the key's unnamed value, (Default), only.\n"
               u"  /va        Removes every value of the key and keeps its subkeys.\n"
               u"  /f         Removes without asking.\n"
               u"\n"
               u"Example:\n"
               u"  vantrel-reg delete \"HKCU\\Software\\Demo\" /v Size /f\n";
    }
    if (name == u"COPY") {
        return u"vantrel-reg copy KEY1 KEY2 [/s] [/f]\n"
               u"\n"
               u"Copies the values of KEY1 into KEY2, which is made when it is missing.\n"
               u"What KEY2 holds and KEY1 does not is kept.\n"
               u"\n" +
               std::u16string(kKeyHelp).replace(2, 4, u"KEY1") +
               u"  KEY2       The key to copy to, written the same way; it may not be KEY1\n"
               u"             or lie below it.\n"
               u"  /s         Copies the subkeys, and everything below them, too.\n"
               u"  /f         Replaces values that KEY2 holds already without asking.\n"
               u"\n"
               u"Example:\n"
               u"  vantrel-reg copy \"HKCU\\Software\\Demo\" \"HKCU\\Software\\Demo Backup\" "
               u"/s /f\n";
    }
    if (name == u"COMPARE") {
        return u"vantrel-reg compare KEY1 KEY2 [/v NAME | /ve] [/s] [/oa | /od | /os | /on]\n"
               u"\n"
               u"Compares the values of two keys. Each line starts with < for what KEY1\n"
               u"holds, > for what KEY2 holds, and = for what both hold alike. The last\n"
               u"line says \"Result Compared: Identical\" or \"Different\". Exits 0 when the\n"
               u"keys are the same, 2 when they differ and 1 when they cannot be compared.\n"
               u"\n" +
               std::u16string(kKeyHelp).replace(2, 4, u"KEY1") +
               u"  KEY2       The other key, written the same way.\n"
               u"  /v NAME    Compares only the value called NAME.\n"
               u"  /ve        Compares only the unnamed values, (Default).\n"
               u"  /s         Compares the subkeys and everything below them too; a subkey\n"
               u"             that only one side has is one difference.\n"
               u"  /oa        Shows differences and matches.\n"
               u"  /od        Shows differences only (when none of the four is given).\n"
               u"  /os        Shows matches only.\n"
               u"  /on        Shows neither, only the result.\n"
               u"\n"
               u"Example:\n"
               u"  vantrel-reg compare \"HKCU\\Software\\Demo\" \"HKCU\\Software\\Demo Backup\" "
               u"/s\n";
    }
    if (name == u"EXPORT") {
        return u"vantrel-reg export KEY FILE [/y] [/regedit4]\n"
               u"\n"
               u"Saves a key and everything below it in a .reg file. The file is written\n"
               u"whole or not at all.\n"
               u"\n" +
               std::u16string(kKeyHelp) +
               u"  FILE       The file to write.\n"
               u"  /y         Replaces FILE without asking when it exists.\n"
               u"  /regedit4  Writes a REGEDIT4 file, in the 8-bit code page, which Windows\n"
               u"             95 and 98 read. Text the code page cannot hold is refused,\n"
               u"             naming the value, and nothing is written. Without it the file\n"
               u"             is \"Windows Registry Editor Version 5.00\", in UTF-16.\n"
               u"\n"
               u"Example:\n"
               u"  vantrel-reg export \"HKCU\\Software\\Demo\" demo.reg /y\n";
    }
    if (name == u"IMPORT") {
        return u"vantrel-reg import FILE [/utf8]\n"
               u"\n"
               u"Loads a .reg file: \"Windows Registry Editor Version 5.00\" (UTF-16, or\n"
               u"UTF-8 with a byte-order mark) or REGEDIT4 (the 8-bit code page). The\n"
               u"whole file is read first; a file with an error changes nothing.\n"
               u"\n"
               u"  FILE       The file to read.\n"
               u"  /utf8      Reads a REGEDIT4 file as UTF-8, as editors on Linux save it.\n"
               u"             Without it, a REGEDIT4 file whose text is UTF-8 and not the\n"
               u"             code page's is refused rather than read wrongly.\n"
               u"\n"
               u"Example:\n"
               u"  vantrel-reg import demo.reg\n";
    }
    return {};
}

}  // namespace

std::u16string HelpPage(const CommandSyntax* syntax, bool namedRegistry) {
    if (syntax) return Page(syntax->name);
    if (!namedRegistry) {
        return std::u16string(kToolUsage) + std::u16string(kToolCommands) +
               std::u16string(kToolSwitches);
    }
    return std::u16string(kNamedToolUsage) + std::u16string(kToolCommands) +
           std::u16string(kRegistryOptions) + std::u16string(kToolSwitches);
}

}  // namespace regtool
