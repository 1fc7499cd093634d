// Our reader of NT registry hives beside hivex: the same keys, values, types, data and
// order on hives of every shape (li, lf, lh and ri lists, Latin-1 and UTF-16 names, data in
// the entry, in a cell and in big data segments, empty keys) and on hives hivex wrote; and
// damaged hives refused naming the file and the fault, whatever field is wrong.
#include <gtest/gtest.h>
#include <hivex.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <tuple>

#include "hive_builder.h"
#include "minimal_hive.h"
#include "platform/posix/utf8.h"
#include "platform/regf/hive_reader.h"
#include "platform/regf/regf_file_tree.h"
#include "temp_dir.h"

using regf::HiveReader;
using regf::RegfFileError;
using testing_support::BuildHive;
using testing_support::BuiltHive;
using testing_support::KeyPlan;
using testing_support::SubkeyList;
using testing_support::TempDir;
using testing_support::ValuePlan;

namespace {

// A key as a reader lists it: names in UTF-8, values and subkeys in the order of their lists.
struct Listed {
    std::string name;
    std::vector<std::tuple<std::string, std::uint32_t, std::vector<std::uint8_t>>> values;
    std::vector<Listed> subkeys;
    bool operator==(const Listed&) const = default;
};

// One line per key and per value, for a readable difference when two listings differ.
void Describe(const Listed& key, const std::string& path, std::vector<std::string>& lines) {
    lines.push_back(path + key.name);
    for (const auto& [name, type, data] : key.values) {
        std::string line = path + key.name + " | " + name + " " + std::to_string(type) + " ";
        for (const std::uint8_t byte : std::vector<std::uint8_t>(
                 data.begin(), data.begin() + static_cast<long>(std::min<std::size_t>(data.size(), 8)))) {
            line += std::to_string(byte) + ",";
        }
        lines.push_back(line + " (" + std::to_string(data.size()) + " bytes)");
    }
    for (const Listed& subkey : key.subkeys) Describe(subkey, path + key.name + "\\", lines);
}

void PrintTo(const Listed& key, std::ostream* out) {
    std::vector<std::string> lines;
    Describe(key, "", lines);
    for (const auto& line : lines) *out << "\n  " << line;
}

std::string Utf8(const std::u16string& text) { return platform::posix::Utf16ToUtf8(text); }

Listed ByOurReader(const HiveReader& reader, std::size_t key) {
    Listed listed{Utf8(reader.KeyName(key)), {}, {}};
    regf::HiveValueCounts measured;
    for (const auto& value : reader.Values(key)) {
        listed.values.emplace_back(Utf8(value.name), value.type, value.data);
        ++measured.values;
        measured.maxNameLength = std::max(measured.maxNameLength, static_cast<std::uint32_t>(value.name.size()));
        measured.maxDataSize = std::max(measured.maxDataSize, static_cast<std::uint32_t>(value.data.size()));
    }
    // Counting measures what listing copies.
    const regf::HiveValueCounts counted = reader.ValueCounts(key);
    EXPECT_EQ(counted.values, measured.values) << listed.name;
    EXPECT_EQ(counted.maxNameLength, measured.maxNameLength) << listed.name;
    EXPECT_EQ(counted.maxDataSize, measured.maxDataSize) << listed.name;
    for (const std::size_t subkey : reader.Subkeys(key)) {
        listed.subkeys.push_back(ByOurReader(reader, subkey));
    }
    return listed;
}

Listed ByHivex(hive_h* hive, hive_node_h node) {
    const auto owned = [](char* text) {
        std::string copy = text ? text : "(unreadable)";
        std::free(text);
        return copy;
    };
    Listed listed{owned(hivex_node_name(hive, node)), {}, {}};
    hive_value_h* values = hivex_node_values(hive, node);
    for (hive_value_h* value = values; value && *value; ++value) {
        // Any number, which hivex's enumeration of types cannot hold in C++.
        std::uint32_t type = 0;
        std::size_t size = 0;
        char* data = hivex_value_value(hive, *value, reinterpret_cast<hive_type*>(&type), &size);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
        listed.values.emplace_back(owned(hivex_value_key(hive, *value)),
                                   type,
                                   std::vector<std::uint8_t>(bytes, bytes + (data ? size : 0)));
        std::free(data);
    }
    std::free(values);
    hive_node_h* children = hivex_node_children(hive, node);
    for (hive_node_h* child = children; child && *child; ++child) {
        listed.subkeys.push_back(ByHivex(hive, *child));
    }
    std::free(children);
    return listed;
}

// What hivex lists of the hive at path; fails the test when hivex cannot open it.
Listed HivexListing(const std::string& path) {
    hive_h* hive = hivex_open(path.c_str(), 0);
    if (!hive) {
        ADD_FAILURE() << "hivex cannot open " << path;
        return {};
    }
    Listed listed = ByHivex(hive, hivex_root(hive));
    hivex_close(hive);
    return listed;
}

// The listing a hive built from plan must give, its names as UTF-8.
Listed Expected(const KeyPlan& plan) {
    Listed listed{Utf8(plan.name), {}, {}};
    for (const ValuePlan& value : plan.values) {
        listed.values.emplace_back(Utf8(value.name), value.type, value.data);
    }
    for (const KeyPlan& subkey : plan.subkeys) listed.subkeys.push_back(Expected(subkey));
    return listed;
}

void Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return bytes;
}

std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text) {
    std::vector<std::uint8_t> bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

KeyPlan Leaves(std::u16string name, SubkeyList list, int count) {
    KeyPlan key{std::move(name), {}, {}, list, true};
    for (int i = 0; i < count; ++i) {
        key.subkeys.push_back({u"Leaf" + platform::posix::Utf8ToUtf16(std::to_string(i)), {}, {}});
    }
    return key;
}

// Every shape of list, name and data the reader follows.
KeyPlan EveryShape() {
    KeyPlan root{u"ROOT", {}, {}, SubkeyList::Ri, true};
    root.subkeys.push_back(Leaves(u"Indexed", SubkeyList::Ri, 7));
    root.subkeys.push_back(Leaves(u"Plain", SubkeyList::Li, 3));
    root.subkeys.push_back(Leaves(u"Hinted", SubkeyList::Lf, 2));
    root.subkeys.push_back(Leaves(u"Hashed", SubkeyList::Lh, 2));
    root.subkeys.push_back({u"Empty", {}, {}});
    root.subkeys.push_back({u"Schl\u00fcssel \u20ac \u0416", {}, {}, SubkeyList::Lh, false});
    root.subkeys.push_back({u"Caf\u00e9", {}, {}, SubkeyList::Lh, true});
    KeyPlan data{u"Data", {}, {}};
    data.values = {
        {u"", 1, Utf16Bytes(u"default"), true},
        {u"None", 3, {}, true},
        {u"One", 3, {0xAB}, true},
        {u"Four", 4, {1, 2, 3, 4}, true},
        {u"Five", 3, {1, 2, 3, 4, 5}, true},
        {u"\u00c9t\u00e9 \u20ac", 1, Utf16Bytes(u"wide name"), false},
        {u"Latin \u00e9", 0x12345, {9}, true},
        {u"One segment", 3, Pattern(16344), true},
        {u"Big", 7, Pattern(100000), true},
    };
    root.subkeys.push_back(std::move(data));
    return root;
}

class HiveFile : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.File("SOFTWARE");
};

TEST_F(HiveFile, EveryShapeOfListNameAndDataReadsAsBuiltAndAsHivexReadsIt) {
    const KeyPlan plan = EveryShape();
    Write(path, BuildHive(plan).bytes);
    const HiveReader reader(path);
    const Listed ours = ByOurReader(reader, reader.Root());
    EXPECT_EQ(ours, Expected(plan));
    EXPECT_EQ(ours, HivexListing(path));
}

// A segment of big data holds at most 16344 bytes, whatever its cell holds beyond them:
// the last one holds what is left. (hivex takes each as its cell less eight bytes, which
// reads these two values short, so they are checked against the bytes written only.)
TEST_F(HiveFile, TheLastSegmentOfBigDataHoldsWhatIsLeft) {
    KeyPlan plan{u"ROOT", {}, {}};
    plan.values = {{u"One byte left", 3, Pattern(16345), true},
                   {u"A hundred left", 3, Pattern(16444), true}};
    Write(path, BuildHive(plan).bytes);
    const HiveReader reader(path);
    const auto values = reader.Values(reader.Root());
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].data, Pattern(16345));
    EXPECT_EQ(values[1].data, Pattern(16444));
}

TEST_F(HiveFile, HivesHivexWroteReadAsHivexReadsThem) {
    testing_support::WriteMinimalHive(path);
    {
        regf::RegfFileTree tree(path, u"Software");
        auto batch = tree.BeginBatch();
        const auto top = tree.CreateChild(regf::RegfFileTree::kBaseKey, u"Vantrel");
        for (int i = 0; i < 300; ++i) {
            const auto key = tree.CreateChild(top, u"Key " + platform::posix::Utf8ToUtf16(std::to_string(i)));
            if (i % 50 == 0) {
                const auto text = Utf16Bytes(u"value \u20ac");
                tree.SetValue(key, u"Text \u00e9", 1, text.data(), text.size());
            }
        }
        tree.CreateChild(top, u"Wide \u0416 name");
        const auto big = Pattern(70000);
        tree.SetValue(top, u"Big", 3, big.data(), big.size());
        const std::uint8_t small[] = {7, 0, 0, 0};
        tree.SetValue(top, u"Small", 4, small, sizeof small);
        batch->Commit();
    }
    const HiveReader reader(path);
    const Listed ours = ByOurReader(reader, reader.Root());
    EXPECT_EQ(ours, HivexListing(path));
    ASSERT_EQ(ours.subkeys.size(), 1u);
    EXPECT_EQ(ours.subkeys[0].subkeys.size(), 301u);
    ASSERT_EQ(ours.subkeys[0].values.size(), 2u);
    EXPECT_EQ(std::get<2>(ours.subkeys[0].values[0]), Pattern(70000));
}

// A hive of a few keys and values to damage one field at a time.
BuiltHive Damageable() {
    KeyPlan root{u"ROOT", {}, {}, SubkeyList::Lh, true};
    root.subkeys.push_back({u"A", {{u"Deep", {}, {}}}, {}, SubkeyList::Lh, true});
    root.subkeys.push_back(Leaves(u"Indexed", SubkeyList::Ri, 3));
    KeyPlan data{u"Data", {}, {}};
    data.values = {{u"Small", 3, {1, 2}, true},
                   {u"Cell", 3, Pattern(40), true},
                   {u"Big", 3, Pattern(40000), true},
                   {u"Wide", 1, {}, false}};
    root.subkeys.push_back(std::move(data));
    return BuildHive(root);
}

// Reads every key and value, as an export does.
void ReadAll(const HiveReader& reader, std::size_t key, int depth = 0) {
    if (depth > 64) FAIL() << "a walk went deeper than the hive";
    reader.KeyName(key);
    reader.ValueCounts(key);
    reader.Values(key);
    for (const std::size_t subkey : reader.Subkeys(key)) ReadAll(reader, subkey, depth + 1);
}

TEST_F(HiveFile, DamagedHivesAreRefusedNamingTheFileAndTheFault) {
    using Damage = std::function<void(BuiltHive&)>;
    // The value cells of Data, in the order of its value list.
    const auto value = [](const BuiltHive& hive, int index) {
        return hive.Get32(BuiltHive::Field(hive.valueLists.at(u"Data"), 4 * index));
    };
    const auto dataOf = [&](const BuiltHive& hive, int index) {
        return hive.Get32(BuiltHive::Field(value(hive, index), 0x08));
    };
    const struct {
        const char* what;
        Damage damage;
        std::string fault;
    } cases[] = {
        {"a subkey list beyond the bins",
         [](BuiltHive& h) { h.Put32(BuiltHive::Field(h.keys.at(u""), 0x1C), 0x7FFFFFF0); },
         "a subkey list is at 0x7FFFFFF0, outside the hive's cells"},
        {"a list of an unknown kind",
         [](BuiltHive& h) { h.bytes[BuiltHive::Field(h.lists.at(u""), 1)] = 'x'; },
         "is no li, lf, lh or ri list"},
        {"a subkey that is a value",
         [&](BuiltHive& h) { h.Put32(BuiltHive::Field(h.lists.at(u"A"), 4), value(h, 0)); },
         "is no \"nk\" cell"},
        {"a key whose list leads back to its parent's subkeys",
         [](BuiltHive& h) {
             h.Put32(BuiltHive::Field(h.keys.at(u"A\\Deep"), 0x14), 3);
             h.Put32(BuiltHive::Field(h.keys.at(u"A\\Deep"), 0x1C), h.lists.at(u""));
         },
         "names another key as its parent"},
        {"the root listed below itself",
         [](BuiltHive& h) { h.Put32(BuiltHive::Field(h.lists.at(u"A"), 4), h.keys.at(u"")); },
         "names another key as its parent"},
        {"an index of lists that holds itself",
         [](BuiltHive& h) {
             h.Put32(BuiltHive::Field(h.lists.at(u"Indexed"), 4), h.lists.at(u"Indexed"));
         },
         "holds another index"},
        {"more subkeys counted than listed",
         [](BuiltHive& h) { h.Put32(BuiltHive::Field(h.keys.at(u""), 0x14), 4); },
         "counts 4 subkeys, its lists hold 3"},
        {"a list counting more entries than its cell holds",
         [](BuiltHive& h) { h.Put16(BuiltHive::Field(h.lists.at(u"A"), 2), 500); },
         "counts 500 entries, more than its cell holds"},
        {"a value in a free cell",
         [&](BuiltHive& h) { h.Put32(4096 + value(h, 1), 0x20); },
         "a value at"},
        {"a cell running past its bin",
         [&](BuiltHive& h) {
             h.Put32(4096 + value(h, 1), static_cast<std::uint32_t>(-0x3000));
         },
         "runs past the end of its bin"},
        {"a cell larger than the hive",
         [&](BuiltHive& h) {
             h.Put32(4096 + value(h, 1), static_cast<std::uint32_t>(-0x7FFFFF00));
         },
         "which do not fit the hive"},
        {"a cell in a bin whose header is gone",
         [&](BuiltHive& h) {
             std::size_t bin = 4096 + (dataOf(h, 2) & ~0xFFFu);
             while (h.bytes[bin] != 'h' || h.bytes[bin + 3] != 'n') bin -= 4096;
             h.bytes[bin + 3] = 'x';
         },
         "lies in no bin"},
        {"more data than its cell holds",
         [&](BuiltHive& h) { h.Put32(BuiltHive::Field(value(h, 1), 0x04), 400); },
         "counts 400 bytes, more than its cell holds"},
        {"more than four bytes kept in the entry",
         [&](BuiltHive& h) { h.Put32(BuiltHive::Field(value(h, 0), 0x04), 0x80000005); },
         "counts 5 bytes of data kept in its entry, which holds 4"},
        {"more data than the hive holds",
         [&](BuiltHive& h) { h.Put32(BuiltHive::Field(value(h, 1), 0x04), 0x7FFFFFF0); },
         "more than the hive holds"},
        {"big data missing a segment",
         [&](BuiltHive& h) { h.Put16(BuiltHive::Field(dataOf(h, 2), 0x02), 2); },
         "the 2 segments of the data of the value at"},
        {"big data counting more segments than its list holds",
         [&](BuiltHive& h) { h.Put16(BuiltHive::Field(dataOf(h, 2), 0x02), 900); },
         "counts 900 segments, more than its list holds"},
        {"more values counted than listed",
         [](BuiltHive& h) { h.Put32(BuiltHive::Field(h.keys.at(u"Data"), 0x24), 1000); },
         "counts 1000 values, more than its cell holds"},
        {"a UTF-16 name of an odd size",
         [&](BuiltHive& h) {
             h.Put16(BuiltHive::Field(value(h, 3), 0x02), 1);
         },
         "is an odd number of bytes of UTF-16"},
        {"a key's name running past its cell",
         [](BuiltHive& h) { h.Put16(BuiltHive::Field(h.keys.at(u"A"), 0x48), 0x400); },
         "runs past its cell"},
    };
    for (const auto& [what, damage, fault] : cases) {
        BuiltHive hive = Damageable();
        damage(hive);
        Write(path, hive.bytes);
        try {
            const HiveReader reader(path);
            ReadAll(reader, reader.Root());
            ADD_FAILURE() << "read: " << what;
        } catch (const RegfFileError& error) {
            const std::string message = error.what();
            EXPECT_EQ(message.rfind(path + " is damaged: ", 0), 0u) << what << ": " << message;
            EXPECT_NE(message.find(fault), std::string::npos) << what << ": " << message;
        }
    }
}

TEST_F(HiveFile, AHeaderPointingAtNoKeyOrPastTheFileIsRefusedWhenOpened) {
    BuiltHive hive = Damageable();
    hive.Put32(0x24, hive.lists.at(u""));
    testing_support::SealHeader(hive.bytes);
    Write(path, hive.bytes);
    try {
        HiveReader reader(path);
        ADD_FAILURE() << "a root that is a list was read";
    } catch (const RegfFileError& error) {
        EXPECT_EQ(std::string(error.what()).rfind(path + " has no root key", 0), 0u) << error.what();
    }
    hive = Damageable();
    hive.bytes.resize(hive.bytes.size() - 4096);
    Write(path, hive.bytes);
    try {
        HiveReader reader(path);
        ADD_FAILURE() << "a hive shorter than its header says was read";
    } catch (const RegfFileError& error) {
        EXPECT_EQ(std::string(error.what()).rfind(path + " is truncated", 0), 0u) << error.what();
    }
}

// Reading is lazy: a damaged key elsewhere in the hive does not keep the others from being
// read, and is refused when it is read.
TEST_F(HiveFile, ADamagedKeyIsRefusedOnlyWhenItIsRead) {
    BuiltHive hive = Damageable();
    hive.Put32(BuiltHive::Field(hive.keys.at(u"A"), 0x1C), 0x7FFFFFF0);
    Write(path, hive.bytes);
    regf::RegfFileTree tree(path, u"Software");
    const auto data = tree.FindChild(regf::RegfFileTree::kBaseKey, u"data");
    ASSERT_TRUE(data);
    EXPECT_EQ(tree.FindValue(*data, u"small")->data, (std::vector<std::uint8_t>{1, 2}));
    const auto a = tree.FindChild(regf::RegfFileTree::kBaseKey, u"A");
    ASSERT_TRUE(a);
    try {
        tree.ChildNames(*a);
        ADD_FAILURE() << "a key with a list beyond the hive was listed";
    } catch (const RegfFileError& error) {
        EXPECT_NE(std::string(error.what()).find("outside the hive's cells"), std::string::npos)
            << error.what();
    }
}

}  // namespace
