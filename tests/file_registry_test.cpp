// A registry kept in several files: a batch writes every file beside itself before it
// renames any, and commits the files' own batches only when every rename held; a registry
// whose files could not be opened refuses every call and every batch.
#include "platform/registry/file_registry.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/memory/memory_tree.h"
#include "platform/registry/file_batch.h"

using namespace platform;

namespace {

// What the files were asked to do, in order: "begin A", "prepare A", "install B", ...
using Log = std::vector<std::string>;

// A file held in memory that records its steps in a log and fails the step it is told to.
class LoggedFile final : public FileTree {
public:
    LoggedFile(std::string name, Log& log) : name_(std::move(name)), log_(log) {
        root = tree_.CreateChild(kTreeTop, u"Root");
    }

    // "prepare" or "install": that step throws, naming the file.
    std::string failingStep;
    // Thrown by SetValue when set, as a format's storage throws.
    std::exception_ptr setFailure;
    NodeId root = 0;

    std::optional<NodeId> FindChild(NodeId parent, std::u16string_view name) override {
        return tree_.FindChild(parent, name);
    }
    NodeId CreateChild(NodeId parent, std::u16string_view name) override {
        return tree_.CreateChild(parent, name);
    }
    std::vector<std::u16string> ChildNames(NodeId key) override { return tree_.ChildNames(key); }
    bool Exists(NodeId key) override { return tree_.Exists(key); }
    bool HasChildren(NodeId key) override { return tree_.HasChildren(key); }
    void DeleteLeaf(NodeId key) override { tree_.DeleteLeaf(key); }
    std::optional<TreeValue> FindValue(NodeId key, std::u16string_view name) override {
        return tree_.FindValue(key, name);
    }
    void SetValue(NodeId key, std::u16string_view name, Dword type, const std::uint8_t* data,
                  std::size_t size) override {
        if (setFailure) std::rethrow_exception(setFailure);
        tree_.SetValue(key, name, type, data, size);
    }
    bool DeleteValue(NodeId key, std::u16string_view name) override {
        return tree_.DeleteValue(key, name);
    }
    std::vector<std::pair<std::u16string, TreeValue>> Values(NodeId key) override {
        return tree_.Values(key);
    }
    TreeCounts Counts(NodeId key) override { return tree_.Counts(key); }
    std::unique_ptr<TreeBatch> BeginBatch() override {
        log_.push_back("begin " + name_);
        return std::make_unique<Batch>(*this, tree_.BeginBatch());
    }
    void Refresh() override {}
    std::uint64_t Generation() const override { return tree_.Generation(); }

    bool PrepareSave() override {
        Step("prepare");
        return true;
    }
    void InstallSave() override { Step("install"); }
    void DiscardSave() noexcept override { log_.push_back("discard " + name_); }

private:
    class Batch final : public TreeBatch {
    public:
        Batch(LoggedFile& file, std::unique_ptr<TreeBatch> inner)
            : file_(file), inner_(std::move(inner)) {}
        void Commit() override {
            file_.log_.push_back("commit " + file_.name_);
            inner_->Commit();
        }

    private:
        LoggedFile& file_;
        std::unique_ptr<TreeBatch> inner_;
    };

    void Step(const std::string& step) {
        log_.push_back(step + " " + name_);
        if (failingStep == step) throw std::runtime_error("cannot " + step + " " + name_);
    }

    std::string name_;
    Log& log_;
    MemoryTree tree_;
};

void SetNumber(RegistryTree& tree, NodeId key, std::u16string_view name) {
    const std::uint8_t data[] = {1, 0, 0, 0};
    tree.SetValue(key, name, kRegDword, data, sizeof data);
}

class FileBatchTest : public ::testing::Test {
protected:
    Log log;
    LoggedFile a{"A", log}, b{"B", log}, c{"C", log};
};

TEST_F(FileBatchTest, WritesEveryFileBesideItselfBeforeRenamingAnyThenCommitsTheirBatches) {
    FileBatch opened({&a, &b, &c});
    EXPECT_EQ(log, (Log{"begin A", "begin B", "begin C"}));
    SetNumber(a, a.root, u"Kept");
    // A batch moves as an optional hands it out, its files' batches still open.
    FileBatch batch(std::move(opened));
    log.clear();
    EXPECT_TRUE(batch.Commit());
    EXPECT_EQ(batch.Fault(), "");
    EXPECT_EQ(log, (Log{"prepare A", "prepare B", "prepare C", "install A", "install B",
                        "install C", "commit A", "commit B", "commit C"}));
    EXPECT_TRUE(a.FindValue(a.root, u"Kept"));
}

TEST_F(FileBatchTest, AFileThatCannotBeWrittenStopsTheBatchBeforeAnyRename) {
    b.failingStep = "prepare";
    {
        FileBatch batch({&a, &b, &c});
        SetNumber(a, a.root, u"Lost");
        log.clear();
        EXPECT_FALSE(batch.Commit());
        EXPECT_EQ(batch.Fault(), "cannot prepare B");
        EXPECT_EQ(log, (Log{"prepare A", "prepare B", "discard A", "discard B", "discard C"}));
    }
    // No file's batch was committed: what the batch changed is put back.
    EXPECT_FALSE(a.FindValue(a.root, u"Lost"));
}

TEST_F(FileBatchTest, AFailedRenameLeavesTheFilesRenamedBeforeItAndCommitsNoBatch) {
    b.failingStep = "install";
    FileBatch batch({&a, &b, &c});
    log.clear();
    EXPECT_FALSE(batch.Commit());
    EXPECT_EQ(batch.Fault(), "cannot install B");
    EXPECT_EQ(log, (Log{"prepare A", "prepare B", "prepare C", "install A", "install B",
                        "discard A", "discard B", "discard C"}));
}

// Two files: A serves HKEY_LOCAL_MACHINE and holds the keys the linked roots stand for,
// B serves HKEY_USERS; open throws when told to.
class TwoFiles final : public FileRegistry {
public:
    explicit TwoFiles(Log& log, const char* openFailure = nullptr) : a("A", log), b("B", log) {
        const bool opened = OpenFiles([&] {
            if (openFailure) throw std::runtime_error(openFailure);
            return std::vector<FileTree*>{&b, &a};
        });
        if (!opened) return;
        const NodeId software = a.CreateChild(a.root, u"Software");
        a.CreateChild(software, u"Classes");
        NodeId config = a.root;
        for (const auto name :
             {u"System", u"CurrentControlSet", u"Hardware Profiles", u"Current"}) {
            config = a.CreateChild(config, name);
        }
        roots_.Serve(kHkeyLocalMachine, a, a.root);
        roots_.Serve(kHkeyUsers, b, b.root);
        MapCommonRoots(roots_, dynamic);
    }
    RegistryFamily Family() const override { return RegistryFamily::WindowsNt; }

    LoggedFile a, b;
    MemoryTree dynamic;
};

Long SetNumber(TreeRegistry& registry, Dword root, const char16_t* path) {
    Hkey key{};
    Long status = registry.RegCreateKeyExW(RootKey(root), path, 0, nullptr, kRegOptionNonVolatile,
                                           kKeyAllAccess, nullptr, &key, nullptr);
    if (status != kErrorSuccess) return status;
    const std::uint8_t data[] = {7, 0, 0, 0};
    status = registry.RegSetValueExW(key, u"Number", 0, kRegDword, data, sizeof data);
    registry.RegCloseKey(key);
    return status;
}

TEST(FileRegistry, AFileThatCannotBeOpenedRefusesEveryCallAndEveryBatch) {
    Log log;
    TwoFiles registry(log, "B.DAT cannot be read.");
    EXPECT_EQ(registry.Problem(), "B.DAT cannot be read.");
    EXPECT_FALSE(registry.BeginBatch());
    Hkey key{};
    EXPECT_EQ(registry.RegOpenKeyExW(RootKey(kHkeyDynData), nullptr, 0, kKeyAllAccess, &key),
              kErrorBadDb);
    EXPECT_EQ(SetNumber(registry, kHkeyLocalMachine, u"Software"), kErrorBadDb);
    EXPECT_EQ(log, Log{});
}

TEST(FileRegistry, ABatchCoversEveryFileInTheOrderOpenGaveThem) {
    Log log;
    TwoFiles registry(log);
    EXPECT_FALSE(registry.Problem());
    auto batch = registry.BeginBatch();
    ASSERT_TRUE(batch);
    EXPECT_EQ(log, (Log{"begin B", "begin A"}));
    log.clear();
    EXPECT_TRUE(batch->Commit());
    EXPECT_EQ(log,
              (Log{"prepare B", "prepare A", "install B", "install A", "commit B", "commit A"}));
}

TEST(FileRegistry, ClassesAndCurrentConfigLieBelowTheMachineAndDynamicDataApart) {
    Log log;
    TwoFiles registry(log);
    ASSERT_EQ(SetNumber(registry, kHkeyClassesRoot, u".txt"), kErrorSuccess);
    ASSERT_EQ(SetNumber(registry, kHkeyCurrentConfig, u"Fonts"), kErrorSuccess);
    ASSERT_EQ(SetNumber(registry, kHkeyDynData, u"PerfStats"), kErrorSuccess);
    const auto found = [&registry](Dword root, const char16_t* path) {
        Hkey key{};
        const Long status = registry.RegOpenKeyExW(RootKey(root), path, 0, kKeyAllAccess, &key);
        if (status == kErrorSuccess) registry.RegCloseKey(key);
        return status == kErrorSuccess;
    };
    EXPECT_TRUE(found(kHkeyLocalMachine, u"Software\\Classes\\.txt"));
    EXPECT_TRUE(
        found(kHkeyLocalMachine, u"System\\CurrentControlSet\\Hardware Profiles\\Current\\Fonts"));
    EXPECT_FALSE(found(kHkeyLocalMachine, u"PerfStats"));
    EXPECT_FALSE(found(kHkeyUsers, u"PerfStats"));
    const auto dyn = registry.dynamic.FindChild(kTreeTop, u"HKEY_DYN_DATA");
    ASSERT_TRUE(dyn);
    EXPECT_TRUE(registry.dynamic.FindChild(*dyn, u"PerfStats"));
}

TEST(FileRegistry, AFailureNoFormatNamesDeniesAKeyOfAFileAndCallsAnyOtherADamagedRegistry) {
    Log log;
    TwoFiles registry(log);
    registry.a.setFailure = std::make_exception_ptr(std::invalid_argument("the file's own key"));
    EXPECT_EQ(SetNumber(registry, kHkeyLocalMachine, u"Software"), kErrorAccessDenied);
    registry.a.setFailure = std::make_exception_ptr(std::runtime_error("unreadable"));
    EXPECT_EQ(SetNumber(registry, kHkeyLocalMachine, u"Software"), kErrorBadDb);
    registry.a.setFailure = nullptr;
    EXPECT_EQ(SetNumber(registry, kHkeyLocalMachine, u"Software"), kErrorSuccess);
    EXPECT_FALSE(registry.Problem());
}

}  // namespace
