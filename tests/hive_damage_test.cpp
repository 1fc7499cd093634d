// Changes to damaged hives. hivex frees the cells a change replaces by following the hive's
// own offsets, and on a damaged hive it ends the program on its own assertion, writes
// outside its copy of the file, or frees a cell the hive still names: each such change must
// be refused before hivex starts, with the file left byte for byte as it was, while sound
// changes, however they follow each other in a batch, still go through. Without the checks
// most of these changes end the test program.
#include <gtest/gtest.h>
#include <hivex.h>

#include <fstream>
#include <functional>

#include "file_bytes.h"
#include "hive_builder.h"
#include "minimal_hive.h"
#include "platform/regf/regf_file_tree.h"
#include "temp_dir.h"

using platform::NodeId;
using regf::RegfFileError;
using regf::RegfFileTree;
using testing_support::BuildHive;
using testing_support::BuiltHive;
using testing_support::KeyPlan;
using testing_support::SubkeyList;
using testing_support::TempDir;

namespace {

constexpr NodeId kBase = RegfFileTree::kBaseKey;
const std::vector<std::uint8_t> kText{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'};
const std::uint8_t kSmall[] = {'x', 0, 0, 0};

void Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Runs change and expects it refused as damage, naming the file and, when given, saying what.
void ExpectRefused(const std::string& path, const std::function<void()>& change,
                   const std::string& says = {}) {
    try {
        change();
        ADD_FAILURE() << "a change to a damaged hive was made";
    } catch (const RegfFileError& error) {
        EXPECT_EQ(error.What(), RegfFileError::Kind::Damaged) << error.what();
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find(says), std::string::npos) << error.what();
    }
}

NodeId Child(RegfFileTree& tree, NodeId parent, std::u16string_view name) {
    const auto found = tree.FindChild(parent, name);
    if (!found) throw std::runtime_error("no key " + std::string(name.begin(), name.end()));
    return *found;
}

// A key Data with two values whose data is in cells of their own and one inline, and a
// sound key beside it.
struct ValueHive {
    BuiltHive hive;
    std::uint32_t list, one, two, three, oneData;

    ValueHive() {
        KeyPlan root{u"ROOT", {}, {}, SubkeyList::Lh, true};
        KeyPlan data{u"Data", {}, {}};
        data.values = {{u"One", 3, kText, true}, {u"Two", 3, kText, true},
                       {u"Three", 3, {'x'}, true}};
        root.subkeys.push_back(std::move(data));
        root.subkeys.push_back({u"Sound", {}, {}});
        hive = BuildHive(root);
        list = hive.valueLists.at(u"Data");
        one = hive.Get32(BuiltHive::Field(list, 0));
        two = hive.Get32(BuiltHive::Field(list, 4));
        three = hive.Get32(BuiltHive::Field(list, 8));
        oneData = hive.Get32(BuiltHive::Field(one, 8));
    }
    void SetData(std::uint32_t value, std::uint32_t offset) {
        hive.Put32(BuiltHive::Field(value, 8), offset);
    }
};

class HiveDamage : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.File("SOFTWARE");
};

TEST_F(HiveDamage, ValuesWhoseCellsAreSharedOrMisplacedAreNeitherReplacedNorDeleted) {
    struct Damage {
        const char* what;
        std::function<void(ValueHive&)> make;
        const char* says;  // what refusing the set says, when our reader reads through it
    };
    const std::vector<Damage> damages = {
        {"the list names one value twice",
         [](ValueHive& h) { h.hive.Put32(BuiltHive::Field(h.list, 4), h.one); }, "twice"},
        {"two values share one data cell",
         [](ValueHive& h) { h.SetData(h.two, h.oneData); }, "twice"},
        {"a value's data is the value list", [](ValueHive& h) { h.SetData(h.one, h.list); },
         "twice"},
        {"a value's data starts inside a cell",
         [](ValueHive& h) { h.SetData(h.one, h.oneData + 8); }, ""},
        {"a value's data lies past the bins",
         [](ValueHive& h) { h.SetData(h.one, 0x7ffffff0); }, ""},
        {"inline data lost its flag, its bytes taken for an offset",
         [](ValueHive& h) { h.hive.Put32(BuiltHive::Field(h.three, 4), 1); }, ""},
        {"empty data without the inline flag, its offset pointing nowhere",
         [](ValueHive& h) {
             h.hive.Put32(BuiltHive::Field(h.three, 4), 0);
             h.SetData(h.three, 0xffffffff);
         },
         "where no cell in use starts"},
        {"the list names a value's data as a value",
         [](ValueHive& h) { h.hive.Put32(BuiltHive::Field(h.list, 4), h.oneData); }, ""},
    };
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.what);
        ValueHive built;
        damage.make(built);
        Write(path, built.hive.bytes);
        RegfFileTree tree(path, u"Software");
        const NodeId data = Child(tree, kBase, u"Data");
        ExpectRefused(path, [&] { tree.SetValue(data, u"New", 1, kSmall, sizeof kSmall); },
                      damage.says);
        // Once hivex holds the hive, its reading of the values may refuse first.
        ExpectRefused(path, [&] { tree.DeleteValue(data, u"One"); });
        // Our reader reads the values first, then the frees are gone through.
        ExpectRefused(path, [&] { tree.DeleteLeaf(data); }, *damage.says ? damage.says : "damaged");
        EXPECT_EQ(testing_support::Read(path), built.hive.Text()) << "a refused change wrote";
        // The rest of the hive is still changed and written.
        {
            const auto batch = tree.BeginBatch();
            tree.SetValue(Child(tree, kBase, u"Sound"), u"Fine", 1, kSmall, sizeof kSmall);
            batch->Commit();
        }
        RegfFileTree again(path, u"Software");
        EXPECT_TRUE(again.FindValue(Child(again, kBase, u"Sound"), u"fine"));
    }
}

TEST_F(HiveDamage, ACellFreedByOneChangeIsNotFreedAgainByALaterOneInTheBatch) {
    // Other's only value shares Data's first value's data cell.
    KeyPlan root{u"ROOT", {}, {}, SubkeyList::Lh, true};
    KeyPlan data{u"Data", {}, {}};
    data.values = {{u"One", 3, kText, true}};
    KeyPlan other{u"Other", {}, {}};
    other.values = {{u"Same", 3, kText, true}};
    root.subkeys = {data, other};
    BuiltHive hive = BuildHive(root);
    const std::uint32_t one = hive.Get32(BuiltHive::Field(hive.valueLists.at(u"Data"), 0));
    const std::uint32_t same = hive.Get32(BuiltHive::Field(hive.valueLists.at(u"Other"), 0));
    hive.Put32(BuiltHive::Field(same, 8), hive.Get32(BuiltHive::Field(one, 8)));
    Write(path, hive.bytes);

    RegfFileTree tree(path, u"Software");
    const NodeId dataKey = Child(tree, kBase, u"Data");
    const NodeId otherKey = Child(tree, kBase, u"Other");
    {
        const auto batch = tree.BeginBatch();
        tree.SetValue(dataKey, u"One", 1, kSmall, sizeof kSmall);
        ExpectRefused(path, [&] { tree.SetValue(otherKey, u"Same", 1, kSmall, sizeof kSmall); });
        ExpectRefused(path, [&] { tree.DeleteLeaf(otherKey); }, "where no cell in use starts");
        // Not committed: the first change is undone with the batch.
    }
    EXPECT_EQ(testing_support::Read(path), hive.Text());
    // Written alone, the first change leaves Other naming a freed cell: our reader finds it
    // damaged, and it is not changed.
    {
        const auto batch = tree.BeginBatch();
        tree.SetValue(dataKey, u"One", 1, kSmall, sizeof kSmall);
        batch->Commit();
    }
    const std::string written = testing_support::Read(path);
    RegfFileTree again(path, u"Software");
    ExpectRefused(path, [&] { again.DeleteLeaf(Child(again, kBase, u"Other")); },
                  "in a free cell");
    EXPECT_EQ(testing_support::Read(path), written);
}

TEST_F(HiveDamage, KeysListedTwiceOrWithSubkeysAreNotDeletedAsLeaves) {
    KeyPlan root{u"ROOT", {}, {}, SubkeyList::Lh, true};
    KeyPlan pair{u"Pair", {}, {}, SubkeyList::Lh, true};
    pair.subkeys = {{u"Leaf0", {}, {}}, {u"Leaf1", {}, {}}};
    root.subkeys = {pair, {u"Sound", {}, {}}};
    BuiltHive hive = BuildHive(root);
    // Pair's list names its first leaf twice, and its second not at all.
    const std::uint32_t list = hive.lists.at(u"Pair");
    hive.Put32(BuiltHive::Field(list, 12), hive.Get32(BuiltHive::Field(list, 4)));
    hive.Put32(BuiltHive::Field(list, 16), hive.Get32(BuiltHive::Field(list, 8)));
    Write(path, hive.bytes);

    RegfFileTree tree(path, u"Software");
    const NodeId pairKey = Child(tree, kBase, u"Pair");
    ExpectRefused(path, [&] { tree.DeleteLeaf(Child(tree, pairKey, u"Leaf0")); }, "2 times");
    ExpectRefused(path, [&] { tree.DeleteLeaf(pairKey); }, "lists subkeys under it");
    EXPECT_EQ(testing_support::Read(path), hive.Text());
    {
        const auto batch = tree.BeginBatch();
        tree.DeleteLeaf(Child(tree, kBase, u"Sound"));
        batch->Commit();
    }
    RegfFileTree again(path, u"Software");
    EXPECT_FALSE(again.FindChild(kBase, u"Sound"));
    EXPECT_TRUE(again.FindChild(kBase, u"Pair"));
}

// Keys made by hivex under the root of a minimal hive share the root's security cell.
class SecurityDamage : public HiveDamage {
protected:
    static constexpr std::size_t kSecurity = 0x1078;  // the minimal hive's one security cell

    void SetUp() override {
        testing_support::WriteMinimalHive(path);
        RegfFileTree tree(path, u"Software");
        const auto batch = tree.BeginBatch();
        a = tree.CreateChild(kBase, u"A");
        tree.CreateChild(kBase, u"B");
        batch->Commit();
    }
    std::vector<std::uint8_t> Bytes() const {
        const std::string text = testing_support::Read(path);
        return {text.begin(), text.end()};
    }
    static void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
        testing_support::hive_detail::Put32(bytes, at, value);
    }
    static std::uint32_t Get32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
        return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                          bytes[at + 3] << 24);
    }
    NodeId a = 0;
};

TEST_F(SecurityDamage, ASecurityCellLinkedToNoCellIsNotUnlinkedThroughIt) {
    std::vector<std::uint8_t> bytes = Bytes();
    ASSERT_EQ(Get32(bytes, kSecurity + 4 + 0x0C), 3u) << "the root, A and B share the cell";
    // Counted as A's alone, and linked far past the file: freeing it would write there.
    Put32(bytes, kSecurity + 4 + 0x0C, 1);
    Put32(bytes, kSecurity + 4 + 0x04, 0x7ffff000);
    Put32(bytes, kSecurity + 4 + 0x08, 0x7ffff000);
    Write(path, bytes);
    RegfFileTree tree(path, u"Software");
    ExpectRefused(path, [&] { tree.DeleteLeaf(Child(tree, kBase, u"A")); },
                  "not security cells in use");
    // Counted as used by no key at all.
    Put32(bytes, kSecurity + 4 + 0x0C, 0);
    Write(path, bytes);
    RegfFileTree none(path, u"Software");
    ExpectRefused(path, [&] { none.DeleteLeaf(Child(none, kBase, u"A")); }, "counts no keys");
    EXPECT_EQ(testing_support::Read(path), std::string(bytes.begin(), bytes.end()));
}

TEST_F(SecurityDamage, AClassNameWhereNoCellStartsIsNotFreed) {
    std::vector<std::uint8_t> bytes = Bytes();
    // A's class name said to be inside the security cell.
    Put32(bytes, a + 4 + 0x30, static_cast<std::uint32_t>(kSecurity - 0x1000 + 8));
    Write(path, bytes);
    RegfFileTree tree(path, u"Software");
    ExpectRefused(path, [&] { tree.DeleteLeaf(Child(tree, kBase, u"A")); }, "its class name");
    EXPECT_EQ(testing_support::Read(path), std::string(bytes.begin(), bytes.end()));
}

TEST_F(SecurityDamage, SoundChangesInAnyOrderGoThroughAndKeepTheCountRight) {
    {
        RegfFileTree tree(path, u"Software");
        const auto batch = tree.BeginBatch();
        const NodeId made = Child(tree, kBase, u"A");
        // Values replaced twice, keys made under made keys and deleted again.
        tree.SetValue(made, u"Long", 1, kText.data(), kText.size());
        tree.SetValue(made, u"Long", 1, kSmall, sizeof kSmall);
        const NodeId below = tree.CreateChild(made, u"Below");
        tree.SetValue(below, u"V", 1, kText.data(), kText.size());
        tree.CreateChild(made, u"Second");
        tree.DeleteLeaf(below);
        tree.DeleteLeaf(Child(tree, kBase, u"B"));
        tree.CreateChild(kBase, u"C");
        batch->Commit();
    }
    {
        RegfFileTree tree(path, u"Software");
        EXPECT_FALSE(tree.FindChild(kBase, u"B"));
        const NodeId made = Child(tree, kBase, u"A");
        EXPECT_TRUE(tree.FindChild(made, u"Second"));
        EXPECT_FALSE(tree.FindChild(made, u"Below"));
        const auto batch = tree.BeginBatch();
        tree.DeleteLeaf(Child(tree, made, u"Second"));
        tree.DeleteLeaf(made);
        tree.DeleteLeaf(Child(tree, kBase, u"C"));
        batch->Commit();
    }
    // Every key made is gone again: the root alone uses the security cell.
    EXPECT_EQ(Get32(Bytes(), kSecurity + 4 + 0x0C), 1u);
    RegfFileTree tree(path, u"Software");
    EXPECT_TRUE(tree.ChildNames(kBase).empty());
}

TEST_F(HiveDamage, ValuesOurReaderRefusesAreRefusedAlikeWhileAChangeIsPendingAndNotDeleted) {
    KeyPlan root{u"ROOT", {}, {}, SubkeyList::Lh, true};
    KeyPlan big{u"Big", {}, {}};
    big.values = {{u"Large", 3, std::vector<std::uint8_t>(20000, 7), true}};
    root.subkeys = {big, {u"Sound", {}, {}}};
    BuiltHive hive = BuildHive(root);
    // The big data counts one segment of its two: hivex would read it short, and say nothing.
    const std::uint32_t entry = hive.Get32(BuiltHive::Field(hive.valueLists.at(u"Big"), 0));
    const std::uint32_t bigData = hive.Get32(BuiltHive::Field(entry, 8));
    hive.Put16(BuiltHive::Field(bigData, 2), 1);
    Write(path, hive.bytes);
    RegfFileTree tree(path, u"Software");
    const NodeId bigKey = Child(tree, kBase, u"Big");
    ExpectRefused(path, [&] { tree.Values(bigKey); }, "hold fewer than");
    const auto batch = tree.BeginBatch();
    tree.SetValue(Child(tree, kBase, u"Sound"), u"V", 1, kSmall, sizeof kSmall);
    ExpectRefused(path, [&] { tree.Values(bigKey); }, "hold fewer than");
    ExpectRefused(path, [&] { tree.DeleteLeaf(bigKey); }, "hold fewer than");
    batch->Commit();
    RegfFileTree again(path, u"Software");
    EXPECT_TRUE(again.FindChild(kBase, u"Big"));
    EXPECT_TRUE(again.FindValue(Child(again, kBase, u"Sound"), u"v"));
}

TEST_F(HiveDamage, ADeleteHivexGivesUpHalfwayLeavesNothingOfItInTheNextWrite) {
    // hivex unlinks a deleted key only from lf and lh lists: under an li list it frees the
    // key's cells and then fails.
    KeyPlan root{u"ROOT", {}, {}, SubkeyList::Li, true};
    KeyPlan kept{u"Kept", {}, {}};
    kept.values = {{u"Old", 3, kText, true}};
    root.subkeys = {kept, {u"Other", {}, {}}};
    Write(path, BuildHive(root).bytes);
    RegfFileTree tree(path, u"Software");
    {
        const auto batch = tree.BeginBatch();
        EXPECT_THROW(tree.DeleteLeaf(Child(tree, kBase, u"Kept")), RegfFileError);
        tree.SetValue(Child(tree, kBase, u"Other"), u"New", 1, kSmall, sizeof kSmall);
        batch->Commit();
    }
    RegfFileTree again(path, u"Software");
    const auto old = again.FindValue(Child(again, kBase, u"Kept"), u"Old");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->data, kText);
    EXPECT_TRUE(again.FindValue(Child(again, kBase, u"Other"), u"New"));
}

TEST_F(HiveDamage, BinsThatEndElsewhereThanTheBaseBlockSaysAreReadButNotChanged) {
    KeyPlan root{u"ROOT", {}, {}, SubkeyList::Lh, true};
    root.values = {{u"Large", 3, std::vector<std::uint8_t>(6000, 7), true}};
    BuiltHive hive = BuildHive(root);
    // The second bin is 8 KiB, for the large value; the base block ends the bins halfway.
    ASSERT_EQ(hive.Get32(0x28), 0x3000u);
    hive.Put32(0x28, 0x2000);
    testing_support::SealHeader(hive.bytes);
    Write(path, hive.bytes);
    RegfFileTree tree(path, u"Software");
    EXPECT_TRUE(tree.ChildNames(kBase).empty());
    ExpectRefused(path, [&] { tree.CreateChild(kBase, u"New"); },
                  "the bin at 0x1000 has a wrong size or offset; it cannot be changed");
    EXPECT_EQ(testing_support::Read(path), hive.Text());
}

}  // namespace
