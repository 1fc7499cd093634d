// One hive of an offline Windows NT installation (SOFTWARE, SYSTEM, DEFAULT, a user's
// NTUSER.DAT) as a tree of keys. It is read in place by our own reader (HiveReader), which
// touches only the cells a read needs, and changed by hivex, which checks the whole hive
// before it changes anything. The hive is never written in place: a change is committed by
// hivex to a temporary copy beside it, flushed, and renamed over it, the original being
// kept once as NAME.vantrel-orig.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <unordered_map>

#include "platform/registry/file_tree.h"
#include "platform/regf/cell_ledger.h"
#include "platform/regf/hive_reader.h"
#include "platform/regf/regf_error.h"

// hivex's handle, kept out of this header.
struct hive_h;

namespace regf {

class RegfFileTree final : public platform::FileTree {
public:
    // The hive's root key, the only child of the tree's top.
    static constexpr platform::NodeId kBaseKey = 1;

    // Reads the hive at path, its root key named baseName; throws RegfFileError when it
    // is no hive or cannot be read.
    RegfFileTree(std::string path, std::u16string baseName);
    ~RegfFileTree() override;
    RegfFileTree(const RegfFileTree&) = delete;
    RegfFileTree& operator=(const RegfFileTree&) = delete;

    const std::u16string& BaseName() const { return baseName_; }
    const std::string& Path() const { return path_; }
    // Where the original is kept before the first change is written.
    std::string BackupPath() const { return path_ + ".vantrel-orig"; }

    std::optional<platform::NodeId> FindChild(platform::NodeId parent,
                                              std::u16string_view name) override;
    platform::NodeId CreateChild(platform::NodeId parent, std::u16string_view name) override;
    std::vector<std::u16string> ChildNames(platform::NodeId key) override;
    bool Exists(platform::NodeId key) override;
    bool HasChildren(platform::NodeId key) override;
    void DeleteLeaf(platform::NodeId key) override;
    std::optional<platform::TreeValue> FindValue(platform::NodeId key,
                                                 std::u16string_view name) override;
    void SetValue(platform::NodeId key, std::u16string_view name, platform::Dword type,
                  const std::uint8_t* data, std::size_t size) override;
    bool DeleteValue(platform::NodeId key, std::u16string_view name) override;
    std::vector<std::pair<std::u16string, platform::TreeValue>> Values(
        platform::NodeId key) override;
    platform::TreeCounts Counts(platform::NodeId key) override;
    // The outermost batch writes the hive when it commits and anything changed.
    std::unique_ptr<platform::TreeBatch> BeginBatch() override;
    // Reads the hive again when another program replaced or changed it, unless held still.
    void Refresh() override;
    // While held still (calls nest), the tree is the hive as it was read, and no call
    // looks at the file: a listing reads one state of it without a look per call.
    void HoldStill() noexcept { ++held_; }
    void LetGo() noexcept { --held_; }
    std::uint64_t Generation() const override { return generation_; }

    // The two steps of a write (FileTree); Prepare first checks that the hive may be
    // replaced and keeps the original when no copy is kept yet.
    bool PrepareSave() override;
    void InstallSave() override;
    void DiscardSave() noexcept override;

private:
    class Batch;
    using Handle = hive_h*;
    // A change as hivex was asked for it, so that a batch rolled back inside another can
    // be undone by doing the changes before it again on a fresh copy.
    struct Change {
        enum class Kind { Create, Delete, SetValues } kind;
        std::size_t node = 0;
        std::string name;
        std::vector<HiveValue> values;
    };
    struct Children {
        std::vector<std::u16string> names;  // in the order of their folded names
        std::map<std::u16string, platform::NodeId> byFolded;
    };
    struct FileStamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long seconds = 0, nanoseconds = 0;
        bool operator==(const FileStamp&) const = default;
    };

    void Open();
    FileStamp Stamp() const;
    std::size_t Offset(platform::NodeId key) const;
    platform::NodeId Id(std::size_t offset) const;
    const Children& ChildrenOf(platform::NodeId key);
    // Whether the key's values are read from the file rather than from hivex's copy.
    bool ValuesInFile(platform::NodeId key) const;
    std::vector<HiveValue> ReadValues(platform::NodeId key);
    void WriteValues(platform::NodeId key, std::vector<HiveValue> values);
    // The copy changes go to, opened from the file at the first change of a batch.
    Handle Writable();
    // hivex's copy of the file and the ledger of its cells, read from the same file.
    void OpenForWriting();
    // Makes one change; returns the node of a key made. Throws, and leaves hivex's copy as
    // it was before the change, when the change is refused or fails.
    std::size_t Apply(const Change& change);
    // Makes one change once the ledger has checked what it frees: false when hivex failed,
    // with errno set, which may leave its copy half changed.
    bool Perform(const Change& change, std::size_t& made);
    // Reads hivex's copy again and makes the first count changes again.
    void Reopen(std::size_t count);
    void RollBackTo(std::size_t changes);
    void Changed();
    void KeepOriginal();
    [[noreturn]] void Fail(const std::string& what, int error) const;

    std::string path_;
    std::u16string baseName_;
    // The hive as the file holds it, and hivex's copy changed by the open batches (or null),
    // which reads go to while it is open.
    std::optional<HiveReader> read_;
    Handle write_ = nullptr;
    // What hivex's copy holds in use, while it is open.
    std::optional<CellLedger> ledger_;
    std::size_t root_ = 0;
    std::optional<std::string> dirty_;
    FileStamp stamp_;
    std::vector<Change> changes_;
    std::unordered_map<platform::NodeId, Children> children_;
    std::uint64_t generation_ = 0;
    int depth_ = 0;
    int held_ = 0;
    // A batch inside another could not be undone: the outer one may write nothing.
    bool lost_ = false;
    std::string pendingPath_;
};

}  // namespace regf
