// Our tool beside the system's own reg.exe (Wine's here) on the same registry: the
// listings read the same, searches count what reg.exe's own listing holds, and add and
// copy leave what reg.exe leaves, as reg.exe's export of both shows.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "temp_dir.h"
#include "test_registry.h"
#include "tools/regtool/commands.h"
#include "tools/regtool/host_io.h"
#include "tools/regtool/text_match.h"

namespace {

const std::u16string kKey = u"HKCU\\Software\\VantrelTest";
const std::string kFull = "HKEY_CURRENT_USER\\Software\\VantrelTest";

std::u16string Wide(const std::string& text) { return {text.begin(), text.end()}; }
std::string Narrow(const std::u16string& text) { return {text.begin(), text.end()}; }

std::string WithoutCarriageReturns(std::string text) {
    std::string out;
    for (const char c : text) {
        if (c != '\r') out.push_back(c);
    }
    return out;
}

// Runs reg.exe with a command line and returns its exit code; what it writes to its
// standard output goes to `output`, without carriage returns.
DWORD RunSystemReg(const std::string& arguments, std::string* output = nullptr) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return 999;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE nothing = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                 nullptr);
    std::string line = "reg.exe " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing;
    startup.hStdOutput = writeEnd;
    startup.hStdError = nothing;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    CloseHandle(nothing);
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (started && ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    CloseHandle(readEnd);
    if (!started) return 999;
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 999;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (output) *output = WithoutCarriageReturns(text);
    return code;
}

class WineRegTool : public ::testing::Test {
protected:
    testing_support::TestRegistry test;
    testing_support::TempDir dir;
    regtool::ToolEnvironment env{
        test.Api(), nullptr, [](const std::u16string&) { return false; }, {}, {}, {}};

    int Run(std::vector<std::u16string> arguments) {
        env.out.clear();
        env.err.clear();
        return regtool::RunRegCommand(arguments, env);
    }
    void Add(const std::u16string& key, std::vector<std::u16string> rest) {
        rest.insert(rest.begin(), {u"add", key});
        rest.push_back(u"/f");
        ASSERT_EQ(Run(rest), 0) << Narrow(env.err);
    }
    // A tree of plain ASCII text, as Wine's reg writes it to a pipe in the OEM code page.
    void MakeTree(int groups, int keys) {
        for (int g = 0; g < groups; ++g) {
            const std::u16string group = kKey + u"\\Group " + Wide(std::to_string(g));
            if (g % 3 == 0) Add(group, {u"/ve", u"/d", u"group"});
            if (g % 3 == 1) Add(group, {});
            for (int k = 0; k < keys; ++k) {
                const std::u16string key = group + u"\\Key" + Wide(std::to_string(k));
                const std::u16string n = Wide(std::to_string(g * 1000 + k));
                Add(key, {u"/v", u"Blob", u"/t", u"REG_BINARY", u"/d", k % 2 ? u"0a0b" : u"c0de"});
                Add(key, {u"/v", u"Count", u"/t", u"REG_DWORD", u"/d", n});
                Add(key, {u"/v", u"Path", u"/t", u"REG_EXPAND_SZ", u"/d", u"%TEMP%\\cafe" + n});
                Add(key, {u"/v", u"Tags", u"/t", u"REG_MULTI_SZ", u"/d", u"red\\0Cafe " + n});
                if (k % 4 == 0) Add(key, {u"/v", u"Title", u"/d", u"The Cafe"});
            }
        }
    }
};

}  // namespace

TEST_F(WineRegTool, QueryListsKeysAndTreesExactlyAsRegDoes) {
    MakeTree(3, 3);
    for (const std::string& arguments :
         {std::string(""), std::string(" /s"), std::string("\\Group 0"),
          std::string("\\Group 0\\Key1"), std::string("\\Group 1 /s"),
          std::string("\\Group 2\\Key0 /v Title"), std::string("\\Group 2\\Key1 /ve")}) {
        std::string theirs;
        const std::size_t split = arguments.find(" /");
        const std::string key = "\"" + Narrow(kKey) + arguments.substr(0, split) + "\"";
        const std::string switches = split == std::string::npos ? "" : arguments.substr(split);
        const DWORD code = RunSystemReg("query " + key + switches, &theirs);
        std::vector<std::u16string> ours{u"query", kKey + Wide(arguments.substr(0, split))};
        for (std::size_t at = split; at != std::string::npos;) {
            const std::size_t next = arguments.find(' ', at + 1);
            ours.push_back(Wide(arguments.substr(at + 1, next - at - 1)));
            at = next;
        }
        EXPECT_EQ(static_cast<DWORD>(Run(ours)), code) << arguments;
        EXPECT_EQ(Narrow(env.out), theirs) << "query " << key << switches;
    }
}

TEST_F(WineRegTool, ValueSearchThroughATreeFindsWhatRegFinds) {
    MakeTree(4, 5);
    // Wine shows the name as it was typed; we show it as the registry spells it.
    for (const char* name : {"Title", "Count", "Missing"}) {
        std::string theirs;
        RunSystemReg("query " + Narrow(kKey) + " /v " + name + " /s", &theirs);
        Run({u"query", kKey, u"/v", Wide(name), u"/s"});
        // Wine ends with words of its own; the count must be the same.
        const std::size_t theirEnd = theirs.rfind("Search complete. Number of matches found: ");
        const std::size_t ourEnd = env.out.rfind(u"End of search: ");
        ASSERT_NE(theirEnd, std::string::npos) << theirs;
        ASSERT_NE(ourEnd, std::u16string::npos);
        EXPECT_EQ(Narrow(env.out.substr(0, ourEnd)), theirs.substr(0, theirEnd)) << name;
        EXPECT_EQ(std::stoi(theirs.substr(theirEnd + 42)),
                  std::stoi(Narrow(env.out.substr(ourEnd + 15))))
            << name;
    }
}

// Wine's reg has no /f: the count each search ends with is checked against what reg's
// own listing of the whole tree holds.
TEST_F(WineRegTool, FindCountsWhatRegsListingOfTheTreeHolds) {
    MakeTree(12, 25);  // 312 keys
    std::string listing;
    ASSERT_EQ(RunSystemReg("query " + Narrow(kKey) + " /s", &listing), 0u);
    struct Key {
        std::string name;  // the last part of its path
        std::vector<std::vector<std::string>> values;  // name, type, data
    };
    std::vector<Key> keys;
    std::size_t start = 0;
    while (start < listing.size()) {
        const std::size_t end = std::min(listing.find('\n', start), listing.size());
        const std::string line = listing.substr(start, end - start);
        start = end + 1;
        if (line.rfind("HKEY_", 0) == 0) {
            keys.push_back({line.substr(line.rfind('\\') + 1), {}});
        } else if (line.rfind("    ", 0) == 0) {
            std::vector<std::string> fields;
            for (std::size_t at = 4;;) {
                const std::size_t next = line.find("    ", at);
                fields.push_back(line.substr(at, next - at));
                if (next == std::string::npos) break;
                at = next + 4;
            }
            ASSERT_GE(fields.size(), 2u) << line;
            if (fields.size() == 2) fields.emplace_back();
            keys.back().values.push_back(fields);
        }
    }
    ASSERT_EQ(keys.size(), 312u);
    struct Case {
        std::u16string text;
        bool keysOnly, dataOnly, caseSensitive, exact;
        const char* type;
    };
    const Case cases[] = {
        {u"cafe", false, false, false, false, nullptr}, {u"Cafe", false, false, true, false, nullptr},
        {u"key1", true, false, false, false, nullptr},  {u"0A0B", false, true, false, true, nullptr},
        {u"red", false, true, false, false, nullptr},   {u"TITLE", false, false, false, true, nullptr},
        {u"7", false, false, false, false, "REG_DWORD"}, {u"group", false, false, false, false, nullptr},
    };
    for (const Case& c : cases) {
        regtool::TextPattern pattern{c.text, c.caseSensitive, c.exact};
        std::size_t expected = 0;
        for (const Key& key : keys) {
            if (!c.dataOnly && !c.type && pattern.Matches(Wide(key.name))) ++expected;
            if (c.keysOnly) continue;
            for (const auto& value : key.values) {
                if (c.type && value[1] != c.type) continue;
                const std::string name = value[0] == "(Default)" ? "" : value[0];
                if ((!c.dataOnly && pattern.Matches(Wide(name))) || pattern.Matches(Wide(value[2]))) {
                    ++expected;
                }
            }
        }
        std::vector<std::u16string> arguments{u"query", kKey, u"/f", c.text, u"/s"};
        if (c.keysOnly) arguments.push_back(u"/k");
        if (c.dataOnly) arguments.push_back(u"/d");
        if (c.caseSensitive) arguments.push_back(u"/c");
        if (c.exact) arguments.push_back(u"/e");
        if (c.type) arguments.insert(arguments.end(), {u"/t", Wide(c.type)});
        EXPECT_EQ(Run(arguments), expected ? 0 : 1) << Narrow(c.text);
        EXPECT_NE(env.out.find(u"End of search: " + Wide(std::to_string(expected)) +
                               u" match(es) found.\n"),
                  std::u16string::npos)
            << Narrow(c.text) << " expected " << expected;
        EXPECT_GT(expected, 0u) << "every case finds something";
    }
}

// The same adds and copies by our tool and by reg.exe, under two keys that differ only in
// name, give the same exports.
TEST_F(WineRegTool, AddAndCopyLeaveWhatRegLeaves) {
    const std::vector<std::string> adds = {
        "/v Max /t REG_QWORD /d 18446744073709551615",
        "/v Hex /t REG_QWORD /d 0x123456789",
        "/v Hash /t REG_MULTI_SZ /s # /d a#b#c#",
        "/v Plain /t REG_MULTI_SZ /d one\\0two\\0",
        "/v Empty /t REG_MULTI_SZ /d \"\"",
        "/d unnamed",
        "/v Sep /d a#b",
    };
    for (const std::string who : {"Ours", "Theirs"}) {
        const std::string key = Narrow(kKey) + "\\" + who + "\\Sub";
        for (const std::string& add : adds) {
            if (who == "Theirs") {
                ASSERT_EQ(RunSystemReg("add " + key + " " + add + " /f"), 0u) << add;
                continue;
            }
            std::vector<std::u16string> arguments{u"add", Wide(key)};
            for (std::size_t at = 0; at < add.size();) {
                const std::size_t next = std::min(add.find(' ', at), add.size());
                const std::string word = add.substr(at, next - at);
                arguments.push_back(word == "\"\"" ? u"" : Wide(word));
                at = next + 1;
            }
            arguments.push_back(u"/f");
            ASSERT_EQ(Run(arguments), 0) << add << ": " << Narrow(env.err);
        }
        const std::string from = Narrow(kKey) + "\\" + who + "\\Sub";
        const std::string to = Narrow(kKey) + "\\" + who + "\\Copy\\Sub";
        if (who == "Theirs") {
            ASSERT_EQ(RunSystemReg("copy " + from + " " + to + " /s /f"), 0u);
        } else {
            ASSERT_EQ(Run({u"copy", Wide(from), Wide(to), u"/s", u"/f"}), 0) << Narrow(env.err);
        }
    }
    std::string exports[2];
    for (int i = 0; i < 2; ++i) {
        const std::string who = i ? "Theirs" : "Ours";
        const std::string file = dir.File(who + ".reg");
        ASSERT_EQ(RunSystemReg("export " + Narrow(kKey) + "\\" + who + " \"" + file + "\" /y"), 0u);
        ASSERT_TRUE(regtool::ReadWholeFile(Wide(file), exports[i]));
        std::string text;  // UTF-16 of ASCII text, and the names made alike
        for (std::size_t k = 2; k + 1 < exports[i].size(); k += 2) text.push_back(exports[i][k]);
        for (std::size_t at = 0; (at = text.find(who, at)) != std::string::npos;) {
            text.replace(at, who.size(), "Who");
        }
        exports[i] = text;
    }
    EXPECT_EQ(exports[0], exports[1]);
    EXPECT_NE(exports[1].find("\"Max\"=hex(b):ff,ff,ff,ff,ff,ff,ff,ff"), std::string::npos)
        << exports[1];
    EXPECT_NE(exports[1].find("Copy\\Sub]"), std::string::npos) << exports[1];
}
