// One key above several trees: each member's keys are reached under its root's name, kept
// apart from the others' keys, and changed in the member itself.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/memory/memory_tree.h"
#include "platform/registry/joined_tree.h"
#include "platform/registry/key_names.h"

namespace {

using platform::JoinedTree;
using platform::kTreeTop;
using platform::MemoryTree;
using platform::NodeId;

class JoinedTreeTest : public ::testing::Test {
protected:
    JoinedTreeTest() {
        zetaRoot = zeta.CreateChild(kTreeTop, u"Zeta");
        alphaRoot = alpha.CreateChild(kTreeTop, u"alpha");
    }
    NodeId Root(std::u16string_view name) { return joined.FindChild(JoinedTree::kJoinKey, name).value(); }

    MemoryTree zeta, alpha;
    NodeId zetaRoot = 0, alphaRoot = 0;
    JoinedTree joined{u"HKEY_USERS", {&zeta, &alpha}, platform::FoldedNameLess};
};

TEST_F(JoinedTreeTest, ListsTheMembersRootsUnderItsOwnKeyInTheGivenOrder) {
    EXPECT_EQ(joined.ChildNames(kTreeTop), std::vector<std::u16string>{u"HKEY_USERS"});
    EXPECT_EQ(joined.FindChild(kTreeTop, u"hkey_users"), JoinedTree::kJoinKey);
    EXPECT_FALSE(joined.FindChild(kTreeTop, u"HKEY_LOCAL_MACHINE"));
    EXPECT_EQ(joined.ChildNames(JoinedTree::kJoinKey),
              (std::vector<std::u16string>{u"alpha", u"Zeta"}));
    const auto counts = joined.Counts(JoinedTree::kJoinKey);
    EXPECT_EQ(counts.subKeys, 2u);
    EXPECT_EQ(counts.maxSubKeyLength, 5u);
    EXPECT_FALSE(joined.FindChild(JoinedTree::kJoinKey, u"beta"));
}

TEST_F(JoinedTreeTest, KeysOfTwoMembersWithTheSameInnerNumberStayApart) {
    const NodeId inZeta = joined.CreateChild(Root(u"ZETA"), u"Software");
    const NodeId inAlpha = joined.CreateChild(Root(u"Alpha"), u"Software");
    ASSERT_EQ(zeta.FindChild(zetaRoot, u"Software"), alpha.FindChild(alphaRoot, u"Software"));
    EXPECT_NE(inZeta, inAlpha);

    const std::uint8_t one = 1;
    joined.SetValue(inZeta, u"Owner", 4, &one, 1);
    EXPECT_TRUE(zeta.FindValue(*zeta.FindChild(zetaRoot, u"Software"), u"Owner"));
    EXPECT_FALSE(alpha.FindValue(*alpha.FindChild(alphaRoot, u"Software"), u"Owner"));
    EXPECT_TRUE(joined.FindValue(inZeta, u"owner"));
    EXPECT_FALSE(joined.FindValue(inAlpha, u"Owner"));
    EXPECT_EQ(joined.FindChild(Root(u"Zeta"), u"SOFTWARE"), inZeta);

    joined.DeleteLeaf(inAlpha);
    EXPECT_FALSE(joined.Exists(inAlpha));
    EXPECT_TRUE(joined.Exists(inZeta));
}

TEST_F(JoinedTreeTest, RefusesChangesToItsOwnKeysAndUndoesAnUncommittedBatchInTheMember) {
    const std::uint8_t one = 1;
    EXPECT_THROW(joined.CreateChild(JoinedTree::kJoinKey, u"gamma"), std::invalid_argument);
    EXPECT_THROW(joined.SetValue(JoinedTree::kJoinKey, u"Owner", 4, &one, 1),
                 std::invalid_argument);
    EXPECT_THROW(joined.DeleteLeaf(JoinedTree::kJoinKey), std::invalid_argument);
    EXPECT_FALSE(joined.DeleteValue(JoinedTree::kJoinKey, u"Owner"));
    EXPECT_TRUE(joined.Values(JoinedTree::kJoinKey).empty());

    // A batch left uncommitted undoes the change in the member that holds it.
    const auto before = joined.Generation();
    {
        auto batch = joined.BeginBatch();
        joined.SetValue(Root(u"alpha"), u"Owner", 4, &one, 1);
        EXPECT_TRUE(alpha.FindValue(alphaRoot, u"Owner"));
    }
    EXPECT_FALSE(alpha.FindValue(alphaRoot, u"Owner"));
    EXPECT_NE(joined.Generation(), before);
}

}  // namespace
