// The 9x registry file format: files our writer makes from trees built here are read by
// Debian's cregexport and by our reader alike, survive a read and a write unchanged, and
// change only where they were changed; hand-built files check odd layouts Windows writes
// and the faults a file is refused for.
#include "platform/creg/creg_hive.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "creg_export.h"
#include "platform/codepage_converters.h"
#include "platform/creg/hive_bytes.h"
#include "platform/posix/utf8.h"
#include "temp_dir.h"

using namespace creg;
using testing_support::CregExport;
using testing_support::ExportedTree;
using testing_support::TempDir;

namespace {

std::string Dword(std::uint32_t value) {
    std::string bytes;
    Append32(bytes, value);
    return bytes;
}

HiveValue Value(std::string name, std::uint32_t type, std::string data) {
    HiveValue value;
    value.name = std::move(name);
    value.type = type;
    value.data = std::move(data);
    return value;
}

// What our reader sees, in cregexport's terms (names as UTF-8 of code page 1252).
ExportedTree OurView(const Hive& hive) {
    auto utf8 = [](const std::string& text) {
        return platform::posix::Utf16ToUtf8(platform::codepage::DecodeWindows1252(text));
    };
    ExportedTree tree;
    std::vector<std::string> paths(hive.keys.size());
    for (std::size_t k = 0; k < hive.keys.size(); ++k) {
        const HiveKey& key = hive.keys[k];
        if (key.deleted) continue;
        if (key.parent != HiveKey::kNone) {
            const std::string& above = paths[key.parent];
            paths[k] = above.empty() ? utf8(key.name) : above + "\\" + utf8(key.name);
        }
        auto& values = tree[paths[k]];
        for (const HiveValue& value : key.values)
            values.emplace_back(utf8(value.name), value.type, value.data);
    }
    return tree;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A tree with what an installation holds: nested keys, every kind of value, long names.
Hive SampleHive() {
    Hive hive = NewHive();
    const std::size_t software = AddKey(hive, 0, "Software");
    const std::size_t windows = AddKey(hive, AddKey(hive, software, "Microsoft"), "Windows");
    const std::size_t current = AddKey(hive, windows, "CurrentVersion");
    hive.keys[current].values = {
        Value("RegisteredOwner", 1, std::string("Ada Lovelace\0", 13)),
        Value("RegisteredOrganization", 1, "Analytical Engines"),
        Value("ProductId", 1, std::string("12345-OEM-0012345-12345\0", 24)),
        Value("ProductKey", 1, std::string("ABCDE-FGHIJ\0", 12)),
        Value("", 1, std::string("default\0", 8)),
        Value("Version", 4, Dword(0x040A0000)),
        Value("Blob", 3, std::string("\x00\x01\xFF\x80\x7F", 5)),
        Value("Empty", 3, ""),
        Value("Path", 2, std::string("%windir%\\system\0", 17)),
        Value("List", 7, std::string("one\0two\0\0", 9)),
        Value("Caf\xE9", 1, std::string("cr\xE8me\0", 6))};
    AddKey(hive, software, "Empty Key");
    AddKey(hive, software, std::string(255, 'L'));
    const std::size_t many = AddKey(hive, 0, "Enum");
    for (int i = 0; i < 300; ++i) {
        const std::size_t device = AddKey(hive, many, "Device" + std::to_string(i));
        hive.keys[device].values = {
            Value("HardwareID", 1, "PCI\\VEN_" + std::to_string(1000 + i) + '\0'),
            Value("Index", 4, Dword(static_cast<std::uint32_t>(i))),
            Value(std::string(200, 'v'), 3, std::string(static_cast<std::size_t>(i % 97), 'x'))};
    }
    return hive;
}

class CregHiveWithReader : public testing::Test {
protected:
    void SetUp() override {
        if (!testing_support::HaveCregExport()) {
            GTEST_SKIP() << "cregexport (Debian's libcreg-utils) is not installed; the files we "
                            "write cannot be checked by a reader of their own.";
        }
    }
    // Writes the hive to a file, and checks that cregexport and our reader see one tree.
    Hive WriteAndCompare(Hive& hive, const std::string& path, const WriteOptions& options = {}) {
        const std::string bytes = WriteHive(hive, options);
        WriteFile(path, bytes);
        std::string errors;
        const auto theirs = CregExport(path, &errors);
        EXPECT_TRUE(theirs) << "cregexport refused " << path << ":\n" << errors;
        Hive read = ReadHive(bytes);
        if (theirs) {
            EXPECT_EQ(*theirs, OurView(read));
        }
        EXPECT_EQ(OurView(read), OurView(hive));
        return read;
    }
    TempDir dir_;
};

TEST_F(CregHiveWithReader, AWrittenTreeIsTheTreeBothReadersSee) {
    Hive hive = SampleHive();
    const Hive read = WriteAndCompare(hive, dir_.File("SYSTEM.DAT"));
    EXPECT_EQ(read.keys.size(), hive.keys.size());
    for (const HiveBlock& block : read.blocks) EXPECT_LE(block.size, kMaxBlockBytes);
}

TEST_F(CregHiveWithReader, SmallBlocksMakeManyDataBlocksThatBothReadersFollow) {
    Hive hive = SampleHive();
    const Hive read = WriteAndCompare(hive, dir_.File("SYSTEM.DAT"), WriteOptions{0x1000});
    EXPECT_GT(read.blocks.size(), 5u);
    for (const HiveBlock& block : read.blocks) EXPECT_LE(block.size, 0x1000u);
}

TEST_F(CregHiveWithReader, ReadingAndWritingAgainGivesTheSameFile) {
    Hive hive = SampleHive();
    const std::string first = WriteHive(hive, WriteOptions{0x2000});
    Hive again = ReadHive(first);
    const std::string second = WriteHive(again, WriteOptions{0x2000});
    EXPECT_EQ(first, second);
    WriteFile(dir_.File("USER.DAT"), second);
    const auto theirs = CregExport(dir_.File("USER.DAT"));
    ASSERT_TRUE(theirs);
    EXPECT_EQ(*theirs, OurView(hive));
}

// One change, and cregexport sees that change and nothing else.
TEST_F(CregHiveWithReader, OneChangeIsTheOnlyDifferenceCregexportSees) {
    Hive hive = SampleHive();
    WriteFile(dir_.File("before.dat"), WriteHive(hive, WriteOptions{0x2000}));
    const auto before = CregExport(dir_.File("before.dat"));
    ASSERT_TRUE(before);

    struct Change {
        const char* what;
        std::function<void(Hive&)> make;
        std::function<void(ExportedTree&)> expect;
    };
    const std::vector<Change> changes = {
        {"a value set",
         [](Hive& h) {
             for (HiveKey& key : h.keys) {
                 if (key.name == "CurrentVersion") {
                     key.values[0].data = std::string("Grace Hopper\0", 13);
                     key.record.clear();
                 }
             }
         },
         [](ExportedTree& t) {
             std::get<2>(t["Software\\Microsoft\\Windows\\CurrentVersion"][0]) =
                 std::string("Grace Hopper\0", 13);
         }},
        {"a key deleted",
         [](Hive& h) {
             for (HiveKey& key : h.keys) {
                 if (key.name == "Device7") key.deleted = true;
             }
         },
         [](ExportedTree& t) { t.erase("Enum\\Device7"); }},
        {"a key added with a value",
         [](Hive& h) {
             const std::size_t added = AddKey(h, 1, "Added");
             h.keys[added].values = {Value("N", 4, Dword(7))};
         },
         [](ExportedTree& t) {
             t["Software\\Added"] = {{"N", 4u, Dword(7)}};
         }},
        {"a value grown past its block",
         [](Hive& h) {
             for (HiveKey& key : h.keys) {
                 if (key.name == "Device3") {
                     key.values.push_back(Value("Big", 3, std::string(6000, 'b')));
                     key.record.clear();
                 }
             }
         },
         [](ExportedTree& t) {
             t["Enum\\Device3"].emplace_back("Big", 3u, std::string(6000, 'b'));
         }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        Hive changed = ReadHive(WriteHive(hive, WriteOptions{0x2000}));
        change.make(changed);
        WriteFile(dir_.File("after.dat"), WriteHive(changed, WriteOptions{0x2000}));
        std::string errors;
        const auto after = CregExport(dir_.File("after.dat"), &errors);
        ASSERT_TRUE(after) << errors;
        ExportedTree expected = *before;
        change.expect(expected);
        EXPECT_EQ(*after, expected);
    }
}

TEST(CregHive, UnchangedBlocksAndUnknownFieldsComeBackAsWindowsLeftThem) {
    Hive hive = SampleHive();
    Hive read = ReadHive(WriteHive(hive, WriteOptions{0x1000}));
    // Fields nobody knows the meaning of, set as a Windows might have.
    read.header[12] = 0x5A;
    read.header[20] = 0x77;
    read.navigationHeader[16] = 0x42;
    read.blocks[0].header[12] = 0x0D;
    read.blocks[0].header[20] = 0x33;
    read.keys[1].entryUnknown0 = 0x11111111;
    read.keys[1].entryUnknown8 = 0x22222222;
    const std::string original = WriteHive(read, WriteOptions{0x1000});
    Hive reread = ReadHive(original);
    EXPECT_EQ(reread.keys[1].entryUnknown0, 0x11111111u);
    EXPECT_EQ(reread.keys[1].entryUnknown8, 0x22222222u);

    // Change one key deep in the last block.
    HiveKey& last = reread.keys.back();
    last.values.push_back(Value("New", 4, Dword(1)));
    last.record.clear();
    const std::uint16_t changedBlock = last.block;
    const std::string changed = WriteHive(reread, WriteOptions{0x1000});
    const Hive after = ReadHive(changed);
    EXPECT_EQ(changed[12], 0x5A);
    EXPECT_EQ(changed[20], 0x77);
    EXPECT_EQ(after.navigationHeader[16], 0x42);
    EXPECT_EQ(after.blocks[0].header[12], 0x0D);
    EXPECT_EQ(after.blocks[0].header[20], 0x33);
    EXPECT_EQ(after.keys[1].entryUnknown0, 0x11111111u);
    // Every record of every other block is the same bytes, at the same place.
    ASSERT_EQ(after.blocks.size(), reread.blocks.size());
    const Hive before = ReadHive(original);
    ASSERT_EQ(after.keys.size(), before.keys.size());
    std::size_t kept = 0;
    for (std::size_t k = 0; k < after.keys.size(); ++k) {
        if (before.keys[k].block == changedBlock || !before.keys[k].hasRecord) continue;
        EXPECT_EQ(after.keys[k].record, before.keys[k].record) << before.keys[k].name;
        EXPECT_EQ(after.keys[k].block, before.keys[k].block);
        EXPECT_EQ(after.keys[k].id, before.keys[k].id);
        ++kept;
    }
    EXPECT_GT(kept, 100u);
}

TEST(CregHive, TheHashIsTheSumOfTheUpperCasedAsciiBytes) {
    EXPECT_EQ(NameHash("SOFTWARE"), 0x26Bu);
    EXPECT_EQ(NameHash("software"), 0x26Bu);
    // Bytes of the code page above ASCII are not counted.
    EXPECT_EQ(NameHash("Caf\xE9"), NameHash("CAF"));
    Hive hive = SampleHive();
    const Hive read = ReadHive(WriteHive(hive));
    for (const HiveKey& key : read.keys) {
        if (key.parent != HiveKey::kNone) {
            EXPECT_EQ(key.hash, NameHash(key.name)) << key.name;
        }
    }
}

TEST(CregHive, ChangesBeyondWindows98sLimitsAreRefused) {
    struct Case {
        const char* what;
        std::function<void(HiveKey&)> make;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"a long key name", [](HiveKey& k) { k.name = std::string(256, 'k'); },
         "key name may be at most 255"},
        {"a long value name", [](HiveKey& k) { k.values = {Value(std::string(256, 'n'), 1, "")}; },
         "value name may be at most 255"},
        {"a large value", [](HiveKey& k) { k.values = {Value("v", 3, std::string(16301, 'd'))}; },
         "at most 16300 bytes"},
        {"large values together",
         [](HiveKey& k) {
             for (int i = 0; i < 5; ++i)
                 k.values.push_back(Value("v" + std::to_string(i), 3, std::string(16000, 'd')));
         },
         "values of one key may take at most 65535"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Hive hive = NewHive();
        c.make(hive.keys[AddKey(hive, 0, "Key")]);
        try {
            WriteHive(hive);
            ADD_FAILURE() << "written";
        } catch (const HiveLimitError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
}

// Hand-built files: a header, a key tree and data blocks laid out byte by byte.
class Fixture {
public:
    // A key tree entry at offset (relative to RGKN) naming record id of block.
    void Entry(std::uint32_t at, std::uint32_t parent, std::uint32_t child, std::uint32_t next,
               std::uint16_t id, std::uint16_t block, const std::string& name = "") {
        if (navigation.size() < at + kEntryBytes) navigation.resize(at + kEntryBytes, '\0');
        Put32(navigation, at, 0);
        Put32(navigation, at + 4, NameHash(name));
        Put32(navigation, at + 8, kNoOffset);
        Put32(navigation, at + 12, parent);
        Put32(navigation, at + 16, child);
        Put32(navigation, at + 20, next);
        Put16(navigation, at + 24, id);
        Put16(navigation, at + 26, block);
    }
    // A key record; slack bytes follow what it uses.
    static std::string Record(std::uint16_t id, std::uint16_t block, const std::string& name,
                              const std::vector<HiveValue>& values, std::size_t slack = 0) {
        std::string out;
        Append32(out, 0);
        Append16(out, id);
        Append16(out, block);
        Append32(out, 0);
        Append16(out, static_cast<std::uint16_t>(name.size()));
        Append16(out, static_cast<std::uint16_t>(values.size()));
        Append32(out, 0);
        out += name;
        for (const HiveValue& v : values) {
            Append32(out, v.type);
            Append32(out, 0);
            Append16(out, static_cast<std::uint16_t>(v.name.size()));
            Append16(out, static_cast<std::uint16_t>(v.data.size()));
            out += v.name + v.data;
        }
        Put32(out, 8, static_cast<std::uint32_t>(out.size()));
        out.append(slack, '\0');
        Put32(out, 0, static_cast<std::uint32_t>(out.size()));
        return out;
    }
    static std::string Free(std::size_t bytes) {
        std::string out(bytes, '\0');
        Put32(out, 0, static_cast<std::uint32_t>(bytes));
        Put32(out, 4, 0xFFFFFFFF);
        return out;
    }
    void Block(std::uint16_t number, const std::vector<std::string>& records) {
        std::string block(kBlockHeaderBytes, '\0');
        block.replace(0, 4, "RGDB");
        Put16(block, 14, number);
        for (const auto& r : records) block += r;
        Put32(block, 4, static_cast<std::uint32_t>(block.size()));
        blocks.push_back(block);
    }
    std::string Bytes() const {
        std::string rgkn = navigation;
        rgkn.resize(std::max<std::size_t>(rgkn.size() + 0x20, 0x100), '\0');
        rgkn.replace(0, 4, "RGKN");
        Put32(rgkn, 4, static_cast<std::uint32_t>(rgkn.size()));
        Put32(rgkn, 8, 0x20);
        std::string out(kFileHeaderBytes, '\0');
        out.replace(0, 4, "CREG");
        Put32(out, 4, 0x00010000);
        Put32(out, 8, static_cast<std::uint32_t>(0x20 + rgkn.size()));
        Put16(out, 16, static_cast<std::uint16_t>(blocks.size()));
        out += rgkn;
        for (const auto& b : blocks) out += b;
        return out;
    }
    std::string navigation = std::string(0x20, '\0');
    std::vector<std::string> blocks;
};

// Root, Software (block 0), Software\Sub and Config in block 1 behind free space.
Fixture OddLayout() {
    Fixture f;
    f.Entry(0x20, kNoOffset, 0x3C, kNoOffset, kNoNumber, kNoNumber);
    f.Entry(0x3C, 0x20, 0x58, 0x74, 0, 0, "Software");
    f.Entry(0x58, 0x3C, kNoOffset, kNoOffset, 0, 1, "Sub");
    f.Entry(0x74, 0x20, kNoOffset, kNoOffset, 5, 1, "Config");
    f.Block(0, {Fixture::Free(0x30),
                Fixture::Record(
                    0, 0, "Software",
                    {Value("NoNul", 1, "text"), Value("Nul", 1, std::string("text\0", 5))}, 12)});
    f.Block(1, {Fixture::Record(5, 1, "Config", {}), Fixture::Free(0x20),
                Fixture::Record(0, 1, "Sub", {Value("D", 4, Dword(9))}), std::string(5, '\0')});
    return f;
}

TEST(CregHive, OddButSoundLayoutsAreRead) {
    const Hive hive = ReadHive(OddLayout().Bytes());
    ASSERT_EQ(hive.keys.size(), 4u);
    EXPECT_FALSE(hive.keys[0].hasRecord);
    EXPECT_EQ(hive.keys[1].name, "Software");
    EXPECT_EQ(hive.keys[1].values[0].data, "text");
    EXPECT_EQ(hive.keys[1].values[1].data, std::string("text\0", 5));
    EXPECT_EQ(hive.keys[2].name, "Config");
    EXPECT_TRUE(hive.keys[2].values.empty());
    EXPECT_EQ(hive.keys[3].name, "Sub");
    EXPECT_EQ(hive.keys[3].values[0].data, Dword(9));
    EXPECT_EQ(hive.blocks.size(), 2u);
    // Free records and the short tail are kept as they were.
    EXPECT_TRUE(hive.blocks[0].slots[0].free);
    EXPECT_TRUE(hive.blocks[1].slots.back().free);
    EXPECT_EQ(hive.blocks[1].slots.back().bytes.size(), 5u);
}

TEST(CregHive, AnOddLayoutIsWrittenBackWithItsFreeSpaceAndUntouchedRecords) {
    Hive hive = ReadHive(OddLayout().Bytes());
    hive.keys[3].values[0].data = Dword(10);
    hive.keys[3].record.clear();
    const Hive after = ReadHive(WriteHive(hive));
    EXPECT_EQ(after.blocks[0].slots.size(), hive.blocks[0].slots.size());
    for (std::size_t s = 0; s < after.blocks[0].slots.size(); ++s) {
        EXPECT_EQ(after.blocks[0].slots[s].bytes, hive.blocks[0].slots[s].bytes);
    }
    EXPECT_EQ(after.keys[3].values[0].data, Dword(10));
    EXPECT_EQ(after.keys[1].values[0].data, "text");
}

// A block that ends in a few unused bytes takes new records after its last one, not after
// those bytes (found by the fuzzer).
TEST(CregHive, AKeyAddedToABlockWithAShortTailIsReadBack) {
    Hive hive = ReadHive(OddLayout().Bytes());
    ASSERT_EQ(hive.blocks.back().slots.back().bytes.size(), 5u);
    hive.keys[AddKey(hive, 0, "Added")].values = {Value("V", 1, std::string("x\0", 2))};
    const Hive after = ReadHive(WriteHive(hive));
    ASSERT_EQ(after.keys.size(), 5u);
    bool found = false;
    for (const HiveKey& key : after.keys) found = found || (key.name == "Added" && key.values.size() == 1);
    EXPECT_TRUE(found);
}

TEST(CregHive, FilesThatAreNoSoundRegistryAreRefusedSayingWhy) {
    const std::string sound = OddLayout().Bytes();
    struct Case {
        const char* what;
        std::function<std::string()> bytes;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"empty", [] { return std::string(); }, "no Windows 9x registry file"},
        {"an NT hive", [] { return std::string("regf") + std::string(4092, '\0'); },
         "no Windows 9x registry file"},
        {"the header only", [&] { return sound.substr(0, 0x20); }, "truncated"},
        {"cut in the key tree", [&] { return sound.substr(0, 0x80); }, "truncated"},
        {"cut in a data block", [&] { return sound.substr(0, sound.size() - 20); },
         "runs past the end of the file"},
        {"a block missing",
         [&] {
             std::string b = sound;
             return b.substr(0, b.size() - OddLayout().blocks.back().size());
         },
         "truncated"},
        {"another version",
         [&] {
             std::string b = sound;
             Put16(b, 6, 2);
             return b;
         },
         "format version 2.0"},
        {"a block without its signature",
         [&] {
             std::string b = sound;
             b.replace(b.find("RGDB"), 4, "XXXX");
             return b;
         },
         "does not start with RGDB"},
        {"a record longer than its block",
         [&] {
             std::string b = sound;
             Put32(b, b.find("RGDB") + 0x20, 0x7000);
             return b;
         },
         "bytes long, and its block has"},
        {"an entry outside the key tree",
         [] {
             Fixture f = OddLayout();
             Put32(f.navigation, 0x3C + 20, 0x9000);
             return f.Bytes();
         },
         "is not inside its key tree"},
        {"a loop in the key tree",
         [] {
             Fixture f = OddLayout();
             Put32(f.navigation, 0x58 + 16, 0x3C);
             return f.Bytes();
         },
         "reached twice"},
        {"a missing record",
         [] {
             Fixture f = OddLayout();
             Put16(f.navigation, 0x58 + 24, 44);
             return f.Bytes();
         },
         "which is not there"},
        {"two entries on one record",
         [] {
             Fixture f = OddLayout();
             Put16(f.navigation, 0x74 + 24, 0);
             return f.Bytes();
         },
         "two key tree entries name record 0 of data block 1"},
        {"a wrong parent",
         [] {
             Fixture f = OddLayout();
             Put32(f.navigation, 0x58 + 12, 0x74);
             return f.Bytes();
         },
         "as its parent"},
        {"values past their record",
         [] {
             Fixture f = OddLayout();
             std::string& block = f.blocks[1];
             const std::size_t sub = block.find("Sub") - kRecordHeaderBytes;
             Put16(block, sub + 14, 40);
             return f.Bytes();
         },
         "runs past its record"},
        {"blocks starting inside the key tree",
         [&] {
             std::string b = sound;
             Put32(b, 8, 0x30);
             return b;
         },
         "not after its key tree"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            ReadHive(c.bytes());
            ADD_FAILURE() << "read";
        } catch (const HiveFormatError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
}

}  // namespace
