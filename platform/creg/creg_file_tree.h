// One Windows 9x registry file (SYSTEM.DAT, USER.DAT, CLASSES.DAT) as a tree of keys. The
// file is read whole; a change writes it again through a temporary file in the same
// folder, flushed and renamed over it, and the first change keeps the original beside it
// (SYSTEM.VE0) unless such a copy exists.
#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/creg/creg_hive.h"
#include "platform/creg/hive_text.h"
#include "platform/registry/file_tree.h"

namespace creg {

// A file that cannot be read or written, or a change it cannot hold: the message names
// the file and the fault.
class CregFileError : public std::runtime_error {
public:
    explicit CregFileError(const std::string& message, int error = 0)
        : std::runtime_error(message), error_(error) {}
    // The errno of a failed system call, else 0.
    int Error() const noexcept { return error_; }

private:
    int error_;
};

// A name or text the installation's code page cannot hold; nothing was changed.
class CregTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A change beyond what the format or Windows 98 allows; nothing was changed.
class CregLimitError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CregFileTree final : public platform::FileTree {
public:
    // The file's root key, the only child of the tree's top.
    static constexpr platform::NodeId kRootKey = 1;

    // Reads the file at path; rootName is what the root key is called above it. Throws
    // CregFileError naming the file when it cannot be read or is no sound 9x registry.
    CregFileTree(std::string path, std::u16string rootName, HiveText text = HiveText(),
                 WriteOptions options = {});
    ~CregFileTree() override;

    const std::string& Path() const { return path_; }
    // Where the first change keeps the original: the file's name with .VE0 for .DAT.
    std::string BackupPath() const;

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
    // The outermost batch writes the file when it commits and anything changed.
    std::unique_ptr<platform::TreeBatch> BeginBatch() override;
    // Reads the file again when another program replaced it.
    void Refresh() override;
    std::uint64_t Generation() const override { return generation_; }

    // The two steps of a write (FileTree): the whole file is written anew beside the old.
    bool PrepareSave() override;
    void InstallSave() override;
    void DiscardSave() noexcept override;

private:
    struct Node {
        std::size_t key = HiveKey::kNone;
        platform::NodeId parent = platform::kTreeTop;
        std::u16string name;
        std::map<std::u16string, platform::NodeId> children;
    };
    struct State {
        Hive hive;
        // By NodeId; a deleted key's node holds no key.
        std::vector<Node> nodes;
        bool changed = false;
    };
    class Batch;
    struct FileStamp {
        off_t size = 0;
        long long seconds = 0, nanoseconds = 0;
        dev_t device = 0;
        ino_t inode = 0;
        bool operator==(const FileStamp&) const = default;
    };

    void Load(std::string bytes);
    FileStamp Stamp() const;
    Node& At(platform::NodeId key);
    HiveKey& KeyOf(platform::NodeId key);
    // Marks a key changed: its record is written anew.
    HiveKey& Touch(platform::NodeId key);
    // Keeps how to undo a change while a batch is open, so that a batch that goes without
    // a commit puts back only what it changed rather than a copy of the whole file.
    void Remember(std::function<void()> undo);
    // Keeps the key as it is, to be put back when its batch goes without a commit.
    void RememberKey(platform::NodeId key);
    std::string Encoded(std::u16string_view text) const;

    std::string path_;
    std::u16string rootName_;
    HiveText text_;
    WriteOptions options_;
    std::string bytes_;
    State state_;
    std::uint64_t generation_ = 0;
    int depth_ = 0;
    std::uint64_t loads_ = 0;
    std::vector<std::function<void()>> undo_;
    FileStamp stamp_;
    std::string pendingPath_;
    std::string pendingBytes_;
};

}  // namespace creg
