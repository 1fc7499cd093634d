// One of Wine's text registry files (system.reg, user.reg, userdef.reg) as a tree of keys.
// The file is read whole; a change rewrites only the sections of the keys it touched, and
// every other line goes back byte for byte, through a temporary file in the same folder
// renamed over the old one.
#pragma once

#include <sys/types.h>

#include <map>
#include <memory_resource>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "platform/registry/file_tree.h"
#include "platform/wine/page_buffer.h"

namespace wine {

// A file that could not be read whole, or not be written: the message names the file,
// and for a line that could not be read, the line and what is wrong with it.
class WineFileError : public std::runtime_error {
public:
    WineFileError(const std::string& message, int error = 0)
        : std::runtime_error(message), error_(error) {}
    // The errno of a failed system call; 0 for a file that could not be read.
    int Error() const noexcept { return error_; }

private:
    int error_;
};

class WineFileTree final : public platform::FileTree {
public:
    // The key that the file's keys are relative to, the only child of the tree's top.
    static constexpr platform::NodeId kBaseKey = 1;

    // Reads the file at path, whose base key is named fallbackBase unless its header names
    // one; throws WineFileError when it cannot be read or holds a line that cannot be.
    WineFileTree(std::string path, std::u16string fallbackBase);
    ~WineFileTree() override;

    // The base key's name: "Machine", a user's SID, ".Default".
    const std::u16string& BaseName() const { return baseName_; }
    const std::string& Path() const { return path_; }

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
    // A key the file marks #link stands for what its SymbolicLinkValue names.
    std::optional<std::u16string> LinkTarget(platform::NodeId key) override;
    // The outermost batch writes the file when it commits and anything changed.
    std::unique_ptr<platform::TreeBatch> BeginBatch() override;
    // Reads the file again when another program replaced or changed it.
    void Refresh() override;
    std::uint64_t Generation() const override { return generation_; }

    // The two steps of a write (FileTree): the changed text goes beside the file.
    bool PrepareSave() override;
    void InstallSave() override;
    void DiscardSave() noexcept override;

private:
    // A key, held with the others of one reading in that reading's arena: tens of thousands
    // of keys cost a few page faults and no frees.
    struct Node {
        using allocator_type = std::pmr::polymorphic_allocator<>;
        Node() = default;
        explicit Node(const allocator_type& arena) : name(arena), children(arena) {}
        Node(const Node& other, const allocator_type& arena);
        Node(Node&& other, const allocator_type& arena);
        Node(const Node&) = default;
        Node(Node&&) = default;
        Node& operator=(const Node&) = default;
        Node& operator=(Node&&) = default;

        platform::NodeId parent = platform::kTreeTop;
        std::pmr::u16string name;
        // By folded name, found by a view of one.
        std::pmr::map<std::pmr::u16string, platform::NodeId, std::less<>> children;
        std::vector<std::pair<std::u16string, platform::TreeValue>> values;
        // The values are still only lines of the key's section, checked but not yet decoded.
        bool valuesInText = false;
        std::optional<std::u16string> className;
        bool link = false;
        std::uint64_t modified = 0;
        // The section of the file that holds the key, -1 when the file lists none.
        long section = -1;
        // Changed since the file was read: its section is written anew.
        bool touched = false;
    };
    // A key's lines in the file, from its key line to the next key line.
    struct Section {
        std::size_t begin = 0, end = 0;
        platform::NodeId node = 0;
        bool gone = false;
    };
    // One reading of the file and the changes since; its arena is made first and goes last.
    struct State {
        // For a file of the given size, which its keys take about twice of.
        explicit State(std::size_t fileSize);
        std::unique_ptr<HugePageResource> pages;
        std::unique_ptr<std::pmr::monotonic_buffer_resource> arena;
        std::pmr::unordered_map<platform::NodeId, Node> nodes;
        std::vector<Section> sections;
        // Keys the file did not list that now need a section, in the order they got one.
        std::vector<platform::NodeId> added;
        bool changed = false;
    };
    // What a batch puts back when it ends without a commit: each node as it was before the
    // batch first changed it (nullopt for one it made), and the rest of the state, so that a
    // change to a large file copies only what it touches.
    struct Undo {
        std::unordered_map<platform::NodeId, std::optional<Node>> nodes;
        std::vector<platform::NodeId> added;
        std::vector<std::size_t> goneSections;
        bool changed = false;
    };
    class Batch;
    struct FileStamp {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long seconds = 0, nanoseconds = 0;
        bool operator==(const FileStamp&) const = default;
    };

    void Load(PageBuffer text);
    FileStamp Stamp() const;
    Node& At(platform::NodeId key);
    // The key with its values decoded from its section, the first time they are needed.
    Node& WithValues(platform::NodeId key);
    void DecodeValues(Node& node);
    // Keeps key as it is now for the open batch to put back; before every change to it.
    void Remember(platform::NodeId key);
    void Touch(platform::NodeId key);
    std::vector<std::u16string> PathOf(platform::NodeId key);
    // The text to write, with where each section it holds begins and the key it is for.
    PageBuffer Render(std::vector<std::pair<std::size_t, platform::NodeId>>& begins);
    // Takes the text just written as the file's, its sections where Render put them, as a
    // reading of it would, without reading it again.
    void Rebase(PageBuffer text, const std::vector<std::pair<std::size_t, platform::NodeId>>& begins);
    void RenderSection(platform::NodeId key, std::string& out);

    std::string path_;
    std::u16string baseName_;
    PageBuffer text_;
    std::size_t headerEnd_ = 0;
    // Never null; replaced whole by each reading.
    std::unique_ptr<State> state_;
    // One per open batch, the innermost last.
    std::vector<Undo> undo_;
    platform::NodeId next_ = kBaseKey + 1;
    std::uint64_t generation_ = 0;
    int depth_ = 0;
    // How many times the file was read, so that a batch knows it was read inside it.
    std::uint64_t loads_ = 0;
    FileStamp stamp_;
    std::string pendingPath_;
    PageBuffer pendingText_;
    std::vector<std::pair<std::size_t, platform::NodeId>> pendingBegins_;
};

}  // namespace wine
