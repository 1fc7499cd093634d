// The registry tool's listings and searches: query of a key and of a tree laid out as
// reg.exe lays them out, /v NAME /s, and /f with /k, /d, /c, /e and /t.
#include <gtest/gtest.h>

#include "reg_tool_fixture.h"

namespace {

using testing_support::kToolFull;
using testing_support::kToolKey;

class RegToolSearch : public testing_support::RegToolTest {
protected:
    // HKCU\Software\VantrelTest (no values)
    //   Alpha            (Default) = "alpha", Count = 0x2a, Name = "Café au lait"
    //     Beta           Blob = hex 00ff, Note = "nothing"
    //   Empty
    //   Gamma cafe       Cafe = "x", List = "one\0CAFÉ"
    // Values are made in name order, which Wine's registry lists them in too.
    void MakeTree() {
        const std::u16string alpha = kToolKey + u"\\Alpha";
        ASSERT_EQ(Run({u"add", alpha, u"/ve", u"/d", u"alpha", u"/f"}), 0);
        ASSERT_EQ(Run({u"add", alpha, u"/v", u"Count", u"/t", u"REG_DWORD", u"/d", u"42", u"/f"}), 0);
        ASSERT_EQ(Run({u"add", alpha, u"/v", u"Name", u"/d", u"Caf\u00E9 au lait", u"/f"}), 0);
        ASSERT_EQ(Run({u"add", alpha + u"\\Beta", u"/v", u"Blob", u"/t", u"REG_BINARY", u"/d",
                       u"00ff", u"/f"}),
                  0);
        ASSERT_EQ(Run({u"add", alpha + u"\\Beta", u"/v", u"Note", u"/d", u"nothing", u"/f"}), 0);
        const std::u16string gamma = kToolKey + u"\\Gamma cafe";
        ASSERT_EQ(Run({u"add", gamma, u"/v", u"Cafe", u"/d", u"x", u"/f"}), 0);
        ASSERT_EQ(Run({u"add", gamma, u"/v", u"List", u"/t", u"REG_MULTI_SZ", u"/d",
                       u"one\\0CAF\u00C9", u"/f"}),
                  0);
        ASSERT_EQ(Run({u"add", kToolKey + u"\\Empty", u"/f"}), 0);
    }
    // The number a search ends with, or -1.
    int Matches() {
        const std::u16string prefix = u"End of search: ";
        const std::size_t at = env.out.rfind(prefix);
        if (at == std::u16string::npos) return -1;
        EXPECT_EQ(env.out.substr(env.out.find(u' ', at + prefix.size())), u" match(es) found.\n");
        return std::stoi(Narrow(env.out.substr(at + prefix.size())));
    }
};

}  // namespace

TEST_F(RegToolSearch, AKeyAndATreeAreLaidOutAsRegDoes) {
    MakeTree();
    // A key with values and no subkeys ends with a blank line.
    ASSERT_EQ(Run({u"query", kToolKey + u"\\Alpha\\Beta"}), 0);
    EXPECT_EQ(env.out, u"\n" + kToolFull + u"\\Alpha\\Beta\n"
                           u"    Blob    REG_BINARY    00FF\n"
                           u"    Note    REG_SZ    nothing\n\n");
    // A key without values shows only its subkeys.
    ASSERT_EQ(Run({u"query", kToolKey}), 0);
    EXPECT_EQ(env.out, u"\n" + kToolFull + u"\\Alpha\n" + kToolFull + u"\\Empty\n" + kToolFull +
                           u"\\Gamma cafe\n");
    // A tree: every key below the one named, each ending with a blank line.
    ASSERT_EQ(Run({u"query", kToolKey, u"/s"}), 0);
    EXPECT_EQ(env.out, u"\n" + kToolFull + u"\\Alpha\n"
                           u"    (Default)    REG_SZ    alpha\n"
                           u"    Count    REG_DWORD    0x2a\n"
                           u"    Name    REG_SZ    Caf\u00E9 au lait\n\n" +
                           kToolFull + u"\\Alpha\\Beta\n"
                           u"    Blob    REG_BINARY    00FF\n"
                           u"    Note    REG_SZ    nothing\n\n" +
                           kToolFull + u"\\Empty\n\n" + kToolFull + u"\\Gamma cafe\n"
                           u"    Cafe    REG_SZ    x\n"
                           u"    List    REG_MULTI_SZ    one\\0CAF\u00C9\n\n")
        << Narrow(env.out);
}

TEST_F(RegToolSearch, AValueIsLookedForThroughATreeWithVAndS) {
    MakeTree();
    ASSERT_EQ(Run({u"query", kToolKey, u"/v", u"cafe", u"/s"}), 0);
    EXPECT_EQ(env.out, u"\n" + kToolFull + u"\\Gamma cafe\n    Cafe    REG_SZ    x\n\n"
                                           u"End of search: 1 match(es) found.\n");
    ASSERT_EQ(Run({u"query", kToolKey, u"/ve", u"/s"}), 0);
    EXPECT_EQ(Matches(), 1);
    // Nothing found fails, as a query of one missing value does.
    EXPECT_EQ(Run({u"query", kToolKey, u"/v", u"Missing", u"/s"}), 1);
    EXPECT_EQ(env.out, u"\nEnd of search: 0 match(es) found.\n");
}

TEST_F(RegToolSearch, FindSearchesKeyNamesValueNamesAndDataAsItsSwitchesSay) {
    MakeTree();
    struct Case {
        std::vector<std::u16string> switches;
        int matches;
    };
    const Case cases[] = {
        // "Gamma cafe" (key), Name's "Café..." (data, é folds to É), Cafe (name), List's
        // CAFÉ (data).
        {{u"/f", u"caf", u"/s"}, 4},
        {{u"/f", u"caf"}, 1},  // without /s: the values here and the names right below
        {{u"/f", u"caf", u"/s", u"/k"}, 1},
        {{u"/f", u"caf", u"/s", u"/d"}, 2},
        {{u"/f", u"caf", u"/s", u"/c"}, 1},  // only the key's "cafe" is in lower case
        {{u"/f", u"Caf", u"/s", u"/c"}, 2},  // "Café" and "Cafe"
        {{u"/f", u"cafe", u"/s", u"/e"}, 1},  // the value name Cafe; the key is "Gamma cafe"
        {{u"/f", u"caf\u00E9", u"/s"}, 2},  // "Café au lait", "one\0CAFÉ"
        {{u"/f", u"*", u"/s", u"/k"}, 4},  // every key below the one named
        {{u"/t", u"REG_DWORD,REG_BINARY", u"/s"}, 2},
        {{u"/f", u"0x2a", u"/s", u"/t", u"REG_DWORD"}, 1},
        {{u"/f", u"00FF", u"/s", u"/d", u"/e"}, 1},
        {{u"/f", u"zzz", u"/s"}, 0},
    };
    for (const Case& c : cases) {
        std::vector<std::u16string> arguments{u"query", kToolKey};
        arguments.insert(arguments.end(), c.switches.begin(), c.switches.end());
        std::u16string shown;
        for (const auto& a : c.switches) shown += a + u" ";
        EXPECT_EQ(Run(arguments), c.matches ? 0 : 1) << Narrow(shown);
        EXPECT_EQ(Matches(), c.matches) << Narrow(shown) << "\n" << Narrow(env.out);
    }
    // A key found by name is one line; values found show under their key.
    ASSERT_EQ(Run({u"query", kToolKey, u"/f", u"caf", u"/s", u"/c"}), 0);
    EXPECT_EQ(env.out, u"\n" + kToolFull + u"\\Gamma cafe\nEnd of search: 1 match(es) found.\n");
    ASSERT_EQ(Run({u"query", kToolKey, u"/f", u"Caf", u"/s", u"/c"}), 0);
    EXPECT_EQ(env.out, u"\n" + kToolFull + u"\\Alpha\n    Name    REG_SZ    Caf\u00E9 au lait\n\n" +
                           kToolFull + u"\\Gamma cafe\n    Cafe    REG_SZ    x\n\n"
                                       u"End of search: 2 match(es) found.\n");
}
