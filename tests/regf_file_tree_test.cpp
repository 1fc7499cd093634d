// One hive of an offline Windows read and written through our tree with hivex: the values
// kept exactly, what an independent reader (regfexport) sees, batches that roll back, the
// original kept once, and the hives refused: dirty, truncated, foreign, changed behind us.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "file_bytes.h"
#include "hive_listing.h"
#include "minimal_hive.h"
#include "platform/regf/hive_header.h"
#include "platform/regf/regf_file_tree.h"
#include "temp_dir.h"

using namespace platform;
using regf::RegfFileError;
using regf::RegfFileTree;
using testing_support::Read;
using testing_support::TempDir;
using testing_support::Utf16z;

namespace {

constexpr NodeId kBase = RegfFileTree::kBaseKey;

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> bytes;
    for (const int v : values) bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

// A hive's bytes with the checksum of its header made right again.
std::string Sealed(const std::string& bytes) {
    std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
    testing_support::SealHeader(copy);
    return std::string(copy.begin(), copy.end());
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::size_t EntriesIn(const TempDir& dir) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.File(""))) {
        ++count;
    }
    return count;
}

// Sets a value in one committed batch, as the registry functions do.
void Set(RegistryTree& tree, NodeId key, std::u16string_view name, Dword type,
         const std::vector<std::uint8_t>& data) {
    auto batch = tree.BeginBatch();
    tree.SetValue(key, name, type, data.data(), data.size());
    batch->Commit();
}

NodeId Make(RegistryTree& tree, NodeId parent, std::u16string_view name) {
    auto batch = tree.BeginBatch();
    const NodeId made = tree.CreateChild(parent, name);
    batch->Commit();
    return made;
}

class Hive : public ::testing::Test {
protected:
    Hive() : path(dir.File("SOFTWARE")) { testing_support::WriteMinimalHive(path); }
    TempDir dir;
    std::string path;
};

// Every type Windows knows, and one it does not, with the bytes as Windows reports them.
const std::vector<std::tuple<std::u16string, Dword, std::vector<std::uint8_t>>>& EveryType() {
    static const std::vector<std::tuple<std::u16string, Dword, std::vector<std::uint8_t>>> values = {
        {u"Text", kRegSz, Utf16z(u"caf\u00e9 \u20ac")},
        {u"Path", 2, Utf16z(u"%SystemRoot%\\x")},
        {u"Blob", 3, Bytes({0, 1, 0xFE, 0xFF, 0x80, 7, 9})},
        {u"Number", kRegDword, Bytes({0x2A, 0, 0, 0})},
        {u"Big", 5, Bytes({0, 0, 0, 0x2A})},
        {u"Multi", 7, Bytes({'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0})},
        {u"Wide", 11, Bytes({1, 2, 3, 4, 5, 6, 7, 8})},
        {u"Odd", 0x12345, Bytes({0xAB})},
        {u"Empty", 0, {}},
        {u"", kRegSz, Utf16z(u"default")},
        {u"Unterminated", kRegSz, Bytes({'x', 0, 'y', 0})},
    };
    return values;
}

// Whether libhivex is mapped into this process.
bool HivexMapped() {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        if (line.find("libhivex.so") != std::string::npos) return true;
    }
    return false;
}

TEST_F(Hive, HivexIsLoadedByTheFirstChangeAndNotByReading) {
    // In a process of its own, since another test may have changed a hive in this one.
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        int status = HivexMapped() ? 1 : 0;
        try {
            RegfFileTree tree(path, u"SOFTWARE");
            tree.Values(kBase);
            tree.ChildNames(kBase);
            if (HivexMapped()) status |= 2;
            Make(tree, kBase, u"Changed");
            if (!HivexMapped()) status |= 8;
        } catch (const RegfFileError&) {
            status |= 4;
        }
        _exit(status);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    // 1: loaded before any hive was opened; 2: loaded by reading; 4: refused; 8: not loaded
    // by a change.
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(Hive, EveryTypeAndItsBytesComeBackExactlyAfterTheHiveIsReadAgain) {
    {
        RegfFileTree tree(path, u"Software");
        const NodeId key = Make(tree, kBase, u"Vantrel");
        for (const auto& [name, type, data] : EveryType()) Set(tree, key, name, type, data);
        // A string of an odd size, and 20 kB, which is kept in a cell of its own.
        Set(tree, key, u"Odd string", kRegSz, Bytes({'x', 0, 'y', 0, 'z'}));
        Set(tree, key, u"Large", 3, std::vector<std::uint8_t>(20000, 0x5A));
    }
    RegfFileTree again(path, u"Software");
    const auto key = again.FindChild(kBase, u"VANTREL");
    ASSERT_TRUE(key);
    const auto values = again.Values(*key);
    ASSERT_EQ(values.size(), EveryType().size() + 2);
    for (std::size_t i = 0; i < EveryType().size(); ++i) {
        const auto& [name, type, data] = EveryType()[i];
        EXPECT_EQ(values[i].first, name);
        EXPECT_EQ(values[i].second.type, type) << i;
        EXPECT_EQ(values[i].second.data, data) << i;
    }
    EXPECT_EQ(values[EveryType().size()].second.data, Bytes({'x', 0, 'y', 0, 'z'}));
    EXPECT_EQ(values.back().second.data, std::vector<std::uint8_t>(20000, 0x5A));
}

TEST_F(Hive, NamesMatchWithoutRegardToCaseAndKeepTheirSpelling) {
    RegfFileTree tree(path, u"Software");
    const NodeId key = Make(tree, kBase, u"Caf\u00e9 \u0416");
    Set(tree, key, u"\u00c9t\u00e9", kRegSz, Utf16z(u"one"));
    EXPECT_EQ(tree.FindChild(kBase, u"CAF\u00c9 \u0436"), key);
    EXPECT_EQ(tree.FindChild(kTreeTop, u"SOFTWARE"), kBase);
    // A replaced value keeps its first spelling and its place.
    Set(tree, key, u"Other", kRegSz, Utf16z(u"two"));
    Set(tree, key, u"\u00e9T\u00c9", kRegSz, Utf16z(u"three"));
    RegfFileTree again(path, u"Software");
    const auto found = again.FindChild(kBase, u"caf\u00e9 \u0436");
    ASSERT_TRUE(found);
    EXPECT_EQ(again.ChildNames(kBase), std::vector<std::u16string>{u"Caf\u00e9 \u0416"});
    const auto values = again.Values(*found);
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[0].first, u"\u00c9t\u00e9");
    EXPECT_EQ(values[0].second.data, Utf16z(u"three"));
    EXPECT_EQ(again.FindValue(*found, u"OTHER")->data, Utf16z(u"two"));
}

TEST_F(Hive, AnIndependentReaderSeesTheKeysAndValuesWeWrote) {
    if (!testing_support::HaveProgram("regfexport")) {
        GTEST_SKIP() << "regfexport (Debian's libregf-utils) is not installed";
    }
    {
        RegfFileTree tree(path, u"Software");
        const NodeId vantrel = Make(tree, kBase, u"Vantrel");
        for (const auto& [name, type, data] : EveryType()) Set(tree, vantrel, name, type, data);
        const NodeId deep = Make(tree, Make(tree, vantrel, u"Group"), u"Deep Key");
        Set(tree, deep, u"Count", kRegDword, Bytes({1, 0, 0, 0}));
        Make(tree, kBase, u"Classes");
        const NodeId gone = Make(tree, kBase, u"Gone");
        auto batch = tree.BeginBatch();
        tree.DeleteLeaf(gone);
        batch->Commit();
    }
    RegfFileTree tree(path, u"Software");
    const auto ours = Sorted(testing_support::TreeListing(tree, kBase));
    EXPECT_EQ(Sorted(testing_support::RegfexportListing(path)), ours);
    EXPECT_NE(std::find(ours.begin(), ours.end(), "key Vantrel\\Group\\Deep Key"), ours.end());
    EXPECT_EQ(std::find(ours.begin(), ours.end(), "key Gone"), ours.end());
    // hivex's own shell reads it too.
    if (testing_support::HaveProgram("hivexsh")) {
        const auto shown = testing_support::CommandOutput(
            "printf 'cd Vantrel\\\\Group\\\\Deep Key\\nlsval\\n' | hivexsh '" + path + "'");
        ASSERT_TRUE(shown);
        EXPECT_NE(shown->find("\"Count\"=dword:00000001"), std::string::npos) << *shown;
    }
}

TEST_F(Hive, ReadingWritingAndReadingAgainGivesTheSameTree) {
    {
        RegfFileTree tree(path, u"Software");
        const NodeId key = Make(tree, kBase, u"A");
        for (const auto& [name, type, data] : EveryType()) Set(tree, key, name, type, data);
        Make(tree, key, u"B");
    }
    RegfFileTree first(path, u"Software");
    const auto before = testing_support::TreeListing(first, kBase);
    // One more value written and deleted again leaves the same tree.
    const NodeId key = *first.FindChild(kBase, u"a");
    Set(first, key, u"Passing", kRegSz, Utf16z(u"x"));
    {
        auto batch = first.BeginBatch();
        EXPECT_TRUE(first.DeleteValue(key, u"PASSING"));
        EXPECT_FALSE(first.DeleteValue(key, u"Passing"));
        batch->Commit();
    }
    RegfFileTree second(path, u"Software");
    EXPECT_EQ(testing_support::TreeListing(second, kBase), before);
}

TEST_F(Hive, ABatchWithoutCommitLeavesTheFileAndTheTreeAsTheyWere) {
    const std::string original = Read(path);
    RegfFileTree tree(path, u"Software");
    {
        auto batch = tree.BeginBatch();
        const NodeId key = tree.CreateChild(kBase, u"Dropped");
        tree.SetValue(key, u"V", kRegSz, Utf16z(u"x").data(), 4);
    }
    EXPECT_FALSE(tree.FindChild(kBase, u"Dropped"));
    EXPECT_EQ(Read(path), original);
    EXPECT_EQ(EntriesIn(dir), 1u);
}

TEST_F(Hive, AnInnerBatchRolledBackUndoesOnlyItsOwnChanges) {
    RegfFileTree tree(path, u"Software");
    {
        auto outer = tree.BeginBatch();
        const NodeId kept = tree.CreateChild(kBase, u"Kept");
        tree.SetValue(kept, u"A", kRegDword, Bytes({1, 0, 0, 0}).data(), 4);
        {
            auto inner = tree.BeginBatch();
            tree.SetValue(kept, u"B", kRegDword, Bytes({2, 0, 0, 0}).data(), 4);
            tree.CreateChild(kept, u"Dropped");
        }
        // The key made before the inner batch keeps its number.
        EXPECT_TRUE(tree.Exists(kept));
        EXPECT_EQ(tree.FindChild(kBase, u"kept"), kept);
        const NodeId after = tree.CreateChild(kept, u"After");
        EXPECT_TRUE(tree.Exists(after));
        outer->Commit();
    }
    RegfFileTree again(path, u"Software");
    const auto kept = again.FindChild(kBase, u"Kept");
    ASSERT_TRUE(kept);
    EXPECT_TRUE(again.FindValue(*kept, u"A"));
    EXPECT_FALSE(again.FindValue(*kept, u"B"));
    EXPECT_EQ(again.ChildNames(*kept), std::vector<std::u16string>{u"After"});
}

TEST_F(Hive, TheFirstChangeKeepsTheOriginalOnceAndLeavesNoTemporaryFile) {
    const std::string original = Read(path);
    RegfFileTree tree(path, u"Software");
    Set(tree, kBase, u"First", kRegSz, Utf16z(u"1"));
    ASSERT_EQ(Read(tree.BackupPath()), original);
    EXPECT_NE(Read(path), original);
    Set(tree, kBase, u"Second", kRegSz, Utf16z(u"2"));
    EXPECT_EQ(Read(tree.BackupPath()), original);
    EXPECT_EQ(EntriesIn(dir), 2u);
    // The copy is a file of its own: the hive replaced, the copy stays as it was.
    struct stat hive {}, copy {};
    ASSERT_EQ(::stat(path.c_str(), &hive), 0);
    ASSERT_EQ(::stat(tree.BackupPath().c_str(), &copy), 0);
    EXPECT_NE(hive.st_ino, copy.st_ino);
}

TEST_F(Hive, AnExistingCopyOfTheOriginalIsNeverReplaced) {
    Write(path + ".vantrel-orig", "kept by the user");
    RegfFileTree tree(path, u"Software");
    Set(tree, kBase, u"First", kRegSz, Utf16z(u"1"));
    EXPECT_EQ(Read(path + ".vantrel-orig"), "kept by the user");
}

TEST_F(Hive, AHiveWindowsLeftDirtyIsReadButNeverWritten) {
    testing_support::WriteMinimalHive(path, 7, 6);
    const std::string original = Read(path);
    RegfFileTree tree(path, u"Software");
    EXPECT_EQ(tree.ChildNames(kTreeTop), std::vector<std::u16string>{u"Software"});
    auto batch = tree.BeginBatch();
    try {
        tree.CreateChild(kBase, u"Refused");
        FAIL() << "a dirty hive was changed";
    } catch (const RegfFileError& error) {
        EXPECT_EQ(error.What(), RegfFileError::Kind::Refused);
        EXPECT_EQ(std::string(error.what()),
                  path + ": Windows did not shut down cleanly (hibernation or Fast Startup); "
                         "start it and shut it down fully, then try again.");
    }
    batch.reset();
    EXPECT_EQ(Read(path), original);
    EXPECT_EQ(EntriesIn(dir), 1u);
}

TEST_F(Hive, ANewerLogBesideTheHiveMakesItDirtyAndAnOlderOneDoesNot) {
    RegfFileTree clean(path, u"Software");
    Set(clean, kBase, u"Written", kRegSz, Utf16z(u"1"));
    const std::string hive = Read(path);
    const regf::HiveHeader header = regf::ReadHiveHeader(path, hive.size());
    EXPECT_EQ(header.primarySequence, header.secondarySequence);
    EXPECT_FALSE(regf::DirtyEvidence(path, header));

    // A log's base block is a hive's base block: one from before is no evidence.
    const std::string log = dir.File("software.LOG1");
    const auto earlier = testing_support::MinimalHive(1, 1);
    Write(log, std::string(earlier.begin(), earlier.begin() + 4096));
    EXPECT_FALSE(regf::DirtyEvidence(path, header));
    const auto later = testing_support::MinimalHive(header.primarySequence + 5,
                                                    header.primarySequence + 5);
    Write(log, std::string(later.begin(), later.begin() + 4096));
    const auto evidence = regf::DirtyEvidence(path, header);
    ASSERT_TRUE(evidence);
    EXPECT_NE(evidence->find(log), std::string::npos) << *evidence;

    // A log of Windows 8.1 on: entries after the base block, numbered from the hive's
    // sequence number on; entries older than the hive are no evidence.
    const auto entryLog = [&](std::uint32_t entrySequence) {
        auto bytes = testing_support::MinimalHive(header.primarySequence, header.primarySequence);
        bytes.resize(512 + 512);
        std::fill(bytes.begin() + 512, bytes.end(), 0);
        const std::uint8_t entry[16] = {'H', 'v', 'L', 'E', 0, 2, 0, 0, 0, 0, 0, 0,
                                        static_cast<std::uint8_t>(entrySequence),
                                        static_cast<std::uint8_t>(entrySequence >> 8), 0, 0};
        std::copy(std::begin(entry), std::end(entry), bytes.begin() + 512);
        Write(log, std::string(bytes.begin(), bytes.end()));
    };
    entryLog(header.secondarySequence - 1);
    EXPECT_FALSE(regf::DirtyEvidence(path, header));
    entryLog(header.secondarySequence);
    EXPECT_TRUE(regf::DirtyEvidence(path, header));

    const std::string before = Read(path);
    RegfFileTree dirty(path, u"Software");
    auto batch = dirty.BeginBatch();
    EXPECT_THROW(dirty.SetValue(kBase, u"No", kRegSz, Utf16z(u"x").data(), 4), RegfFileError);
    batch.reset();
    EXPECT_EQ(Read(path), before);
}

TEST_F(Hive, TruncatedAndForeignFilesAreRefusedNamingTheFileAndTheFault) {
    const std::string whole = Read(path);
    const struct {
        std::string bytes, fault;
    } cases[] = {
        {"", "is empty"},
        {"WINE REGISTRY Version 2\n", "does not start with \"regf\""},
        {whole.substr(0, 3000), "is truncated"},
        {whole.substr(0, 4096 + 2048), "is truncated: its header counts 4096 bytes of hive bins"},
        {Sealed(whole.substr(0, 0x14) + "\x02" + whole.substr(0x15)), "unknown version"},
        {Sealed(whole.substr(0, 0x1C) + "\x06" + whole.substr(0x1D)), "transaction log"},
        {whole.substr(0, 0x30) + "x" + whole.substr(0x31), "the checksum of its header"},
        {whole.substr(0, 4096) + "hbix" + whole.substr(4100), "no hive bin follows"},
    };
    for (const auto& [bytes, fault] : cases) {
        Write(path, bytes);
        try {
            RegfFileTree tree(path, u"Software");
            ADD_FAILURE() << "read: " << fault;
        } catch (const RegfFileError& error) {
            const std::string message = error.what();
            EXPECT_EQ(message.rfind(path, 0), 0u) << message;
            EXPECT_NE(message.find(fault), std::string::npos) << message;
        }
        EXPECT_EQ(Read(path), bytes);
    }
}

TEST_F(Hive, AHiveChangedBehindAPendingChangeIsNotOverwritten) {
    RegfFileTree tree(path, u"Software");
    auto batch = tree.BeginBatch();
    tree.CreateChild(kBase, u"Ours");
    // Another program writes the hive meanwhile.
    RegfFileTree other(path, u"Software");
    Set(other, kBase, u"Theirs", kRegSz, Utf16z(u"1"));
    const std::string theirs = Read(path);
    EXPECT_THROW(tree.Refresh(), RegfFileError);
    try {
        batch->Commit();
        FAIL() << "a hive changed since it was read was overwritten";
    } catch (const RegfFileError& error) {
        EXPECT_NE(std::string(error.what()).find(path + " was changed by another program"),
                  std::string::npos)
            << error.what();
    }
    batch.reset();
    EXPECT_EQ(Read(path), theirs);
    // Without a pending change, the hive is simply read again.
    tree.Refresh();
    EXPECT_TRUE(tree.FindValue(kBase, u"theirs"));
    EXPECT_FALSE(tree.FindChild(kBase, u"Ours"));
}

TEST_F(Hive, TheRootKeyCannotBeDeletedNorGetSiblings) {
    RegfFileTree tree(path, u"Software");
    auto batch = tree.BeginBatch();
    EXPECT_THROW(tree.DeleteLeaf(kBase), std::invalid_argument);
    EXPECT_THROW(tree.CreateChild(kTreeTop, u"Other"), std::invalid_argument);
    EXPECT_FALSE(tree.Exists(kTreeTop));
    EXPECT_TRUE(tree.Exists(kBase));
    EXPECT_FALSE(tree.Exists(123456));
}

}  // namespace

namespace {

TEST_F(Hive, HeldStillTheTreeIsTheHiveAsReadAndLetGoItReadsItAgain) {
    RegfFileTree tree(path, u"Software");
    tree.HoldStill();
    {
        RegfFileTree other(path, u"Software");
        Set(other, kBase, u"Theirs", kRegSz, Utf16z(u"1"));
    }
    tree.Refresh();
    EXPECT_FALSE(tree.FindValue(kBase, u"Theirs"));
    tree.LetGo();
    tree.Refresh();
    EXPECT_TRUE(tree.FindValue(kBase, u"Theirs"));
}

}  // namespace
