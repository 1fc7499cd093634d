// The registry tool's copy and compare, on trees of a few hundred keys: a copy compares
// identical, and every kind of difference is found and shown as reg.exe shows it.
#include <gtest/gtest.h>

#include <algorithm>

#include "reg_tool_fixture.h"

namespace {

using testing_support::kToolFull;
using testing_support::kToolKey;

const std::u16string kSource = kToolKey + u"\\Source";
const std::u16string kTarget = kToolKey + u"\\Target";

class RegToolCopyCompare : public testing_support::RegToolTest {
protected:
    static constexpr int kGroups = 12, kKeysPerGroup = 25;  // 312 keys with the groups

    // A tree of every value type: Source\Gn\Km with three values each.
    void MakeTree() {
        for (int g = 0; g < kGroups; ++g) {
            const std::u16string group = kSource + u"\\G" + Digits(g);
            ASSERT_EQ(Run({u"add", group, u"/ve", u"/d", u"group " + Digits(g), u"/f"}), 0);
            for (int k = 0; k < kKeysPerGroup; ++k) {
                const std::u16string key = group + u"\\K" + Digits(k);
                const auto n = Digits(g * 100 + k);
                ASSERT_EQ(Run({u"add", key, u"/v", u"Number", u"/t", k % 2 ? u"REG_DWORD" : u"REG_QWORD",
                               u"/d", n, u"/f"}),
                          0);
                ASSERT_EQ(Run({u"add", key, u"/v", u"Text", u"/t", u"REG_MULTI_SZ", u"/d",
                               u"a" + n + u"\\0b", u"/f"}),
                          0);
                ASSERT_EQ(Run({u"add", key, u"/v", u"Z", u"/t", u"REG_BINARY", u"/d", u"0a0b", u"/f"}), 0);
            }
        }
    }
    std::size_t Lines(char16_t mark) {
        std::size_t count = 0;
        for (std::size_t at = 0; (at = env.out.find(std::u16string(u"\n") + mark + u" ", at)) !=
                                 std::u16string::npos;
             ++at) {
            ++count;
        }
        return count;
    }
};

}  // namespace

TEST_F(RegToolCopyCompare, ACopiedTreeComparesIdenticalAndEveryChangeIsFound) {
    MakeTree();
    ASSERT_EQ(Run({u"copy", kSource, kTarget, u"/s", u"/f"}), 0) << Narrow(env.err);
    EXPECT_EQ(env.out, u"The operation completed successfully.\n");
    EXPECT_TRUE(questions.empty());

    ASSERT_EQ(Run({u"compare", kSource, kTarget, u"/s"}), 0) << Narrow(env.out);
    EXPECT_EQ(env.out, u"\n\nResult Compared: Identical\nThe operation completed successfully.\n");
    const std::size_t values = kGroups * (1 + 3 * kKeysPerGroup);
    ASSERT_EQ(Run({u"compare", kSource, kTarget, u"/s", u"/os"}), 0);
    EXPECT_EQ(Lines(u'='), values);
    EXPECT_EQ(Lines(u'<') + Lines(u'>'), 0u);

    // One value changed, one only on each side, one key only on each side.
    ASSERT_EQ(Run({u"add", kTarget + u"\\G3\\K7", u"/v", u"Text", u"/d", u"changed", u"/f"}), 0);
    ASSERT_EQ(Run({u"delete", kTarget + u"\\G4\\K1", u"/v", u"Z", u"/f"}), 0);
    ASSERT_EQ(Run({u"add", kTarget + u"\\G5", u"/v", u"New", u"/d", u"n", u"/f"}), 0);
    ASSERT_EQ(Run({u"delete", kTarget + u"\\G6\\K2", u"/f"}), 0);
    ASSERT_EQ(Run({u"add", kTarget + u"\\G7\\Extra", u"/f"}), 0);
    const std::u16string source = kToolFull + u"\\Source", target = kToolFull + u"\\Target";
    ASSERT_EQ(Run({u"compare", kSource, kTarget, u"/s"}), 2);
    EXPECT_EQ(env.out,
              u"\n"
              u"< Value: " + source + u"\\G3\\K7  Text  REG_MULTI_SZ  a307\\0b\n"
              u"> Value: " + target + u"\\G3\\K7  Text  REG_SZ  changed\n"
              u"< Value: " + source + u"\\G4\\K1  Z  REG_BINARY  0A0B\n"
              u"> Value: " + target + u"\\G5  New  REG_SZ  n\n"
              u"< Key: " + source + u"\\G6\\K2\n"
              u"> Key: " + target + u"\\G7\\Extra\n"
              u"\nResult Compared: Different\nThe operation completed successfully.\n")
        << Narrow(env.out);
    ASSERT_EQ(Run({u"compare", kSource, kTarget, u"/s", u"/oa"}), 2);
    EXPECT_EQ(Lines(u'<') + Lines(u'>'), 6u);
    EXPECT_EQ(Lines(u'='), values - 5);  // not the changed, the deleted, nor K2's three
    ASSERT_EQ(Run({u"compare", kSource, kTarget, u"/s", u"/on"}), 2);
    EXPECT_EQ(env.out, u"\n\nResult Compared: Different\nThe operation completed successfully.\n");
    // Without /s only the two keys' own values count: neither has any.
    EXPECT_EQ(Run({u"compare", kSource, kTarget}), 0);
}

TEST_F(RegToolCopyCompare, CompareOfOneValue) {
    ASSERT_EQ(Run({u"add", kSource, u"/v", u"A", u"/d", u"1", u"/f"}), 0);
    ASSERT_EQ(Run({u"add", kSource, u"/v", u"B", u"/d", u"1", u"/f"}), 0);
    ASSERT_EQ(Run({u"add", kTarget, u"/v", u"a", u"/d", u"1", u"/f"}), 0);
    ASSERT_EQ(Run({u"add", kTarget, u"/v", u"B", u"/d", u"2", u"/f"}), 0);
    EXPECT_EQ(Run({u"compare", kSource, kTarget, u"/v", u"A"}), 0) << "names match in any case";
    EXPECT_EQ(Run({u"compare", kSource, kTarget, u"/v", u"B"}), 2);
    EXPECT_EQ(Run({u"compare", kSource, kTarget}), 2);
    EXPECT_EQ(Run({u"compare", kSource, kTarget, u"/ve"}), 1) << "neither has it";
    EXPECT_EQ(env.err, u"ERROR: The system was unable to find the specified registry key or value.\n");
    EXPECT_EQ(Run({u"compare", kSource, kToolKey + u"\\Missing"}), 1);
}

TEST_F(RegToolCopyCompare, CopyKeepsWhatTheTargetHoldsAndAsksBeforeReplacing) {
    ASSERT_EQ(Run({u"add", kSource, u"/v", u"A", u"/d", u"new", u"/f"}), 0);
    ASSERT_EQ(Run({u"add", kSource + u"\\Sub", u"/v", u"S", u"/d", u"s", u"/f"}), 0);
    ASSERT_EQ(Run({u"add", kTarget, u"/v", u"A", u"/d", u"old", u"/f"}), 0);
    ASSERT_EQ(Run({u"add", kTarget, u"/v", u"Own", u"/d", u"kept", u"/f"}), 0);
    answer = false;
    EXPECT_EQ(Run({u"copy", kSource, kTarget}), 1);
    EXPECT_EQ(questions.back(),
              u"1 value(s) under " + kToolFull + u"\\Target exist already. Overwrite them (Yes/No)? ");
    answer = true;
    ASSERT_EQ(Run({u"copy", kSource, kTarget}), 0);
    ASSERT_EQ(Run({u"query", kTarget, u"/s"}), 0);
    EXPECT_EQ(env.out, u"\n" + kToolFull + u"\\Target\n    A    REG_SZ    new\n    Own    REG_SZ    kept\n\n")
        << "without /s no subkey is copied";
}

TEST_F(RegToolCopyCompare, ACopyOntoItselfOrIntoItsOwnTreeIsRefused) {
    ASSERT_EQ(Run({u"add", kSource + u"\\Sub", u"/v", u"S", u"/d", u"s", u"/f"}), 0);
    EXPECT_EQ(Run({u"copy", kSource, u"hkey_current_user\\software\\vantreltest\\source", u"/f"}), 1);
    EXPECT_EQ(env.err, u"ERROR: " + kToolFull + u"\\Source and HKEY_CURRENT_USER\\software\\"
                                                u"vantreltest\\source are the same key: there is "
                                                u"nothing to copy.\n");
    EXPECT_EQ(Run({u"copy", kSource, kSource + u"\\Sub\\Deeper", u"/s", u"/f"}), 1);
    EXPECT_NE(env.err.find(u"a tree cannot be copied into itself"), std::u16string::npos);
    EXPECT_EQ(Run({u"query", kSource + u"\\Sub\\Deeper"}), 1);
    // Without /s only values go, so a key below is a fine target.
    EXPECT_EQ(Run({u"copy", kSource + u"\\Sub", kSource + u"\\Sub\\Deeper", u"/f"}), 0);
    EXPECT_EQ(Run({u"copy", kToolKey + u"\\Missing", kTarget, u"/f"}), 1);
    EXPECT_EQ(Run({u"query", kTarget}), 1) << "a missing source makes no target";
}
