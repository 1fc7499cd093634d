#include "platform/regf/regf_file_tree.h"

#include "platform/regf/hivex_library.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/posix/utf8.h"
#include "platform/registry/key_names.h"
#include "platform/regf/hive_format.h"
#include "platform/regf/hive_header.h"
#include "platform/regf/read_only_mount.h"

namespace regf {
namespace {

static_assert(sizeof(hive_type) == sizeof(std::uint32_t), "hive types are 32-bit numbers");

using platform::kTreeTop;
using platform::NodeId;

struct FreeDeleter {
    void operator()(void* memory) const noexcept { std::free(memory); }
};
template <typename T>
using Owned = std::unique_ptr<T, FreeDeleter>;

std::u16string Wide(const char* utf8) { return platform::posix::Utf8ToUtf16(utf8); }

}  // namespace

// Undoes the changes made inside it unless committed; the outermost batch writes the
// hive when it commits.
class RegfFileTree::Batch final : public platform::TreeBatch {
public:
    explicit Batch(RegfFileTree& tree) : tree_(tree), start_(tree.changes_.size()) {
        ++tree_.depth_;
    }
    ~Batch() override {
        --tree_.depth_;
        if (!done_) tree_.RollBackTo(start_);
        if (tree_.depth_ == 0) {
            tree_.DiscardSave();
            tree_.lost_ = false;
        }
    }
    void Commit() override {
        if (tree_.depth_ == 1 && !tree_.changes_.empty()) {
            tree_.PrepareSave();
            tree_.InstallSave();
        }
        done_ = true;
    }

private:
    RegfFileTree& tree_;
    std::size_t start_;
    bool done_ = false;
};

RegfFileTree::RegfFileTree(std::string path, std::u16string baseName)
    : path_(std::move(path)), baseName_(std::move(baseName)) {
    Open();
}

RegfFileTree::~RegfFileTree() {
    DiscardSave();
    if (write_) Hivex().close(write_);
}

// Reads the header and maps the hive; the tree changes only when both succeed.
void RegfFileTree::Open() {
    const FileStamp stamp = Stamp();
    const HiveHeader header = ReadHiveHeader(path_, static_cast<std::uint64_t>(stamp.size));
    auto dirty = DirtyEvidence(path_, header);
    HiveReader reader(path_);
    read_ = std::move(reader);
    root_ = read_->Root();
    dirty_ = std::move(dirty);
    stamp_ = stamp;
    children_.clear();
}

RegfFileTree::FileStamp RegfFileTree::Stamp() const {
    struct stat status {};
    if (::stat(path_.c_str(), &status) != 0) throw SystemFault("Cannot read", path_, errno);
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim.tv_sec,
            status.st_mtim.tv_nsec};
}

std::size_t RegfFileTree::Offset(NodeId key) const {
    return key == kBaseKey ? root_ : static_cast<std::size_t>(key);
}

NodeId RegfFileTree::Id(std::size_t offset) const {
    return offset == root_ ? kBaseKey : static_cast<NodeId>(offset);
}

void RegfFileTree::Fail(const std::string& what, int error) const {
    throw RegfFileError(RegfFileError::Kind::Damaged,
                        path_ + ": " + what + ": " + std::strerror(error), error);
}

const RegfFileTree::Children& RegfFileTree::ChildrenOf(NodeId key) {
    if (const auto found = children_.find(key); found != children_.end()) return found->second;
    Children children;
    std::map<std::u16string, std::u16string> spelled;
    if (key == kTreeTop) {
        children.names.push_back(baseName_);
        children.byFolded.emplace(platform::FoldName(baseName_), kBaseKey);
    } else if (write_) {
        const Owned<hive_node_h> nodes(Hivex().nodeChildren(write_, Offset(key)));
        if (!nodes) Fail("a key's subkeys cannot be read", errno);
        for (const hive_node_h* node = nodes.get(); *node; ++node) {
            const Owned<char> name(Hivex().nodeName(write_, *node));
            if (!name) Fail("a key's name cannot be read", errno);
            std::u16string wide = Wide(name.get());
            std::u16string folded = platform::FoldName(wide);
            children.byFolded.emplace(folded, Id(*node));
            spelled.emplace(std::move(folded), std::move(wide));
        }
    } else {
        for (const std::size_t subkey : read_->Subkeys(Offset(key))) {
            std::u16string name = read_->KeyName(subkey);
            std::u16string folded = platform::FoldName(name);
            children.byFolded.emplace(folded, Id(subkey));
            spelled.emplace(std::move(folded), std::move(name));
        }
    }
    // Names in the order of their folded form, each in the spelling it was made with.
    for (auto& [folded, name] : spelled) children.names.push_back(std::move(name));
    return children_.emplace(key, std::move(children)).first->second;
}

std::optional<NodeId> RegfFileTree::FindChild(NodeId parent, std::u16string_view name) {
    if (parent != kTreeTop && !Exists(parent)) return std::nullopt;
    const Children& children = ChildrenOf(parent);
    const auto found = children.byFolded.find(platform::FoldName(name));
    if (found == children.byFolded.end()) return std::nullopt;
    return found->second;
}

NodeId RegfFileTree::CreateChild(NodeId parent, std::u16string_view name) {
    if (parent == kTreeTop) throw std::invalid_argument("a hive has one root key");
    Writable();
    Change change{Change::Kind::Create, Offset(parent), platform::posix::Utf16ToUtf8(name), {}};
    const std::size_t made = Apply(change);
    changes_.push_back(std::move(change));
    children_.erase(parent);
    return Id(made);
}

std::vector<std::u16string> RegfFileTree::ChildNames(NodeId key) { return ChildrenOf(key).names; }

bool RegfFileTree::Exists(NodeId key) {
    if (key == kTreeTop) return false;
    if (key == kBaseKey) return true;
    // A deleted key's block is free: no key is found there.
    if (!write_) return read_->IsKey(Offset(key));
    const Owned<char> name(Hivex().nodeName(write_, Offset(key)));
    return name != nullptr;
}

bool RegfFileTree::HasChildren(NodeId key) { return !ChildrenOf(key).names.empty(); }

void RegfFileTree::DeleteLeaf(NodeId key) {
    if (key == kTreeTop || key == kBaseKey) {
        throw std::invalid_argument("the hive's root key cannot be deleted");
    }
    Handle hive = Writable();
    const hive_node_h parent = Hivex().nodeParent(hive, Offset(key));
    if (parent == 0) Fail("a key's parent cannot be read", errno);
    Change change{Change::Kind::Delete, Offset(key), {}, {}};
    Apply(change);
    changes_.push_back(std::move(change));
    children_.erase(Id(parent));
    children_.erase(key);
}

// Values hivex holds as the file does are read by our reader, which checks every cell they
// use, where hivex trusts some (big data's segment lists) and shortens others.
bool RegfFileTree::ValuesInFile(NodeId key) const {
    return !write_ || ledger_->ValuesAsInFile(Offset(key));
}

std::vector<HiveValue> RegfFileTree::ReadValues(NodeId key) {
    std::vector<HiveValue> values;
    if (key == kTreeTop) return values;
    if (ValuesInFile(key)) return read_->Values(Offset(key));
    const Owned<hive_value_h> handles(Hivex().nodeValues(write_, Offset(key)));
    if (!handles) Fail("a key's values cannot be read", errno);
    for (const hive_value_h* value = handles.get(); *value; ++value) {
        const Owned<char> name(Hivex().valueKey(write_, *value));
        if (!name) Fail("a value's name cannot be read", errno);
        // A type of any number, which the enumeration hivex declares cannot hold in C++.
        std::uint32_t type = 0;
        std::size_t size = 0;
        const Owned<char> data(
            Hivex().valueValue(write_, *value, reinterpret_cast<hive_type*>(&type), &size));
        if (!data) Fail("the data of value \"" + std::string(name.get()) + "\" cannot be read", errno);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.get());
        values.push_back({Wide(name.get()), type, std::vector<std::uint8_t>(bytes, bytes + size)});
    }
    return values;
}

void RegfFileTree::WriteValues(NodeId key, std::vector<HiveValue> values) {
    Change change{Change::Kind::SetValues, Offset(key), {}, std::move(values)};
    Writable();
    Apply(change);
    changes_.push_back(std::move(change));
}

std::optional<platform::TreeValue> RegfFileTree::FindValue(NodeId key, std::u16string_view name) {
    if (key == kTreeTop || !Exists(key)) return std::nullopt;
    const std::u16string folded = platform::FoldName(name);
    for (auto& value : ReadValues(key)) {
        if (platform::FoldName(value.name) == folded) {
            return platform::TreeValue{value.type, std::move(value.data)};
        }
    }
    return std::nullopt;
}

void RegfFileTree::SetValue(NodeId key, std::u16string_view name, platform::Dword type,
                            const std::uint8_t* data, std::size_t size) {
    if (key == kTreeTop) throw std::invalid_argument("the top of a hive holds no values");
    std::vector<HiveValue> values = ReadValues(key);
    const std::u16string folded = platform::FoldName(name);
    HiveValue stored{std::u16string(name), type,
                      std::vector<std::uint8_t>(data, data + size)};
    const auto same = std::find_if(values.begin(), values.end(), [&](const HiveValue& value) {
        return platform::FoldName(value.name) == folded;
    });
    // A replaced value keeps its first spelling and its place.
    if (same != values.end()) {
        stored.name = same->name;
        *same = std::move(stored);
    } else {
        values.push_back(std::move(stored));
    }
    WriteValues(key, std::move(values));
}

bool RegfFileTree::DeleteValue(NodeId key, std::u16string_view name) {
    if (key == kTreeTop) return false;
    std::vector<HiveValue> values = ReadValues(key);
    const std::u16string folded = platform::FoldName(name);
    const auto same = std::find_if(values.begin(), values.end(), [&](const HiveValue& value) {
        return platform::FoldName(value.name) == folded;
    });
    if (same == values.end()) return false;
    values.erase(same);
    WriteValues(key, std::move(values));
    return true;
}

std::vector<std::pair<std::u16string, platform::TreeValue>> RegfFileTree::Values(NodeId key) {
    std::vector<std::pair<std::u16string, platform::TreeValue>> values;
    for (auto& value : ReadValues(key)) {
        values.emplace_back(std::move(value.name),
                            platform::TreeValue{value.type, std::move(value.data)});
    }
    return values;
}

platform::TreeCounts RegfFileTree::Counts(NodeId key) {
    platform::TreeCounts counts;
    for (const auto& name : ChildrenOf(key).names) counts.AddSubKey(name.size());
    // The file's values are measured where they lie, rather than copied out to be measured.
    if (key != kTreeTop && ValuesInFile(key)) {
        const HiveValueCounts values = read_->ValueCounts(Offset(key));
        counts.values = values.values;
        counts.maxValueNameLength = values.maxNameLength;
        counts.maxValueSize = values.maxDataSize;
        return counts;
    }
    for (const auto& [name, value] : Values(key)) counts.AddValue(name.size(), value.data.size());
    return counts;
}

std::unique_ptr<platform::TreeBatch> RegfFileTree::BeginBatch() {
    return std::make_unique<Batch>(*this);
}

void RegfFileTree::Refresh() {
    if (held_ > 0 || Stamp() == stamp_) return;
    // Changes not yet written would be lost, or would overwrite what the other program wrote.
    if (!changes_.empty()) {
        throw RegfFileError(RegfFileError::Kind::Refused,
                            path_ + " was changed by another program during this change; "
                                    "nothing was written to it.");
    }
    Open();
    ++generation_;
}

// A hive is opened for writing only when it may be written: Windows finished with it, its
// disk may be written and nobody changed it since it was read.
RegfFileTree::Handle RegfFileTree::Writable() {
    if (write_) return write_;
    if (dirty_) {
        throw RegfFileError(RegfFileError::Kind::Refused, path_ + ": " + kNotShutDown, EACCES);
    }
    if (const auto mount = ReadOnlyMountOf(path_)) {
        throw RegfFileError(RegfFileError::Kind::Refused,
                            path_ + " is on a file system mounted read-only (at " + *mount +
                                "); nothing was written.",
                            EROFS);
    }
    if (Stamp() != stamp_) {
        throw RegfFileError(RegfFileError::Kind::Refused,
                            path_ + " was changed by another program since it was read; it was "
                                    "not overwritten.");
    }
    OpenForWriting();
    return write_;
}

void RegfFileTree::OpenForWriting() {
    write_ = LoadHivex().open(path_.c_str(), HIVEX_OPEN_WRITE);
    if (!write_) Fail("the hive cannot be opened for writing", errno);
    auto close = [this] {
        Hivex().close(write_);
        write_ = nullptr;
    };
    try {
        ledger_.emplace(path_);
    } catch (const CellFault& fault) {
        close();
        throw RegfFileError(RegfFileError::Kind::Damaged,
                            path_ + ": " + fault.what() + "; it cannot be changed.", EILSEQ);
    } catch (...) {
        close();
        throw;
    }
}

std::size_t RegfFileTree::Apply(const Change& change) {
    std::size_t made = 0;
    try {
        if (Perform(change, made)) return made;
    } catch (const CellFault& fault) {
        throw RegfFileError(RegfFileError::Kind::Damaged,
                            path_ + ": " + fault.what() + "; nothing was changed.", EILSEQ);
    }
    const int error = errno;
    Reopen(changes_.size());
    Fail(change.kind == Change::Kind::Create   ? "a key cannot be made"
         : change.kind == Change::Kind::Delete ? "a key cannot be deleted"
                                               : "the values of a key cannot be written",
         error);
}

// hivex frees cells following the hive's own offsets, and aborts the program, or writes
// where no cell is, when a damaged hive names a cell twice or one that is not there: the
// ledger goes through each change's frees first, and refuses it before hivex starts.
bool RegfFileTree::Perform(const Change& change, std::size_t& made) {
    switch (change.kind) {
        case Change::Kind::Create: {
            const Owned<hive_node_h> siblings(Hivex().nodeChildren(write_, change.node));
            if (!siblings) return false;
            ledger_->AddingChild(change.node);
            made = Hivex().nodeAddChild(write_, change.node, change.name.c_str());
            if (made == 0) return false;
            ledger_->AddedChild(change.node, made, *siblings != 0);
            return true;
        }
        case Change::Kind::Delete: {
            // hivex deletes a key's whole tree, and unlinks it from its parent once: a key
            // with subkeys, or listed twice, would leave the hive naming freed cells.
            const Owned<hive_node_h> children(Hivex().nodeChildren(write_, change.node));
            const hive_node_h parent = Hivex().nodeParent(write_, change.node);
            const Owned<hive_node_h> siblings(parent ? Hivex().nodeChildren(write_, parent)
                                                     : nullptr);
            if (!children || !siblings) return false;
            std::size_t listed = 0;
            for (const hive_node_h* sibling = siblings.get(); *sibling; ++sibling) {
                listed += *sibling == change.node;
            }
            if (*children != 0) {
                throw CellFault("the key at " + HiveOffset(change.node) +
                                " cannot be deleted: the hive lists subkeys under it");
            }
            if (listed != 1) {
                throw CellFault("the key at " + HiveOffset(change.node) +
                                " cannot be deleted: its parent lists it " +
                                std::to_string(listed) + " times; the hive is damaged");
            }
            // hivex reads the key's values before it deletes them, trusting cells our reader
            // checks first.
            if (ledger_->ValuesAsInFile(change.node)) read_->Values(change.node);
            ledger_->DeleteLeaf(change.node);
            return Hivex().nodeDeleteChild(write_, change.node) == 0;
        }
        case Change::Kind::SetValues: {
            ledger_->ReplaceValues(change.node);
            std::vector<hive_set_value> values(change.values.size());
            // hivex takes names in UTF-8.
            std::vector<std::string> names;
            names.reserve(values.size());
            for (std::size_t i = 0; i < values.size(); ++i) {
                const HiveValue& value = change.values[i];
                names.push_back(platform::posix::Utf16ToUtf8(value.name));
                values[i].key = names.back().data();
                std::memcpy(&values[i].t, &value.type, sizeof value.type);
                values[i].len = value.data.size();
                values[i].value =
                    reinterpret_cast<char*>(const_cast<std::uint8_t*>(value.data.data()));
            }
            return Hivex().nodeSetValues(write_, change.node, values.size(), values.data(), 0) ==
                   0;
        }
    }
    return false;
}

// hivex cannot undo a change: its copy is read again and the changes kept are done again,
// which gives every key the number it had, since hivex places new cells at the end in the
// order they are made.
void RegfFileTree::Reopen(std::size_t count) {
    ++generation_;
    children_.clear();
    if (write_) Hivex().close(write_);
    write_ = nullptr;
    ledger_.reset();
    std::vector<Change> kept(std::make_move_iterator(changes_.begin()),
                             std::make_move_iterator(changes_.begin() + static_cast<long>(count)));
    changes_.clear();
    if (kept.empty()) return;
    try {
        OpenForWriting();
        for (const Change& change : kept) {
            std::size_t made = 0;
            if (!Perform(change, made)) Fail("a change cannot be made again", errno);
        }
        changes_ = std::move(kept);
    } catch (...) {
        // The outer batch cannot be brought back: it writes nothing.
        if (write_) Hivex().close(write_);
        write_ = nullptr;
        ledger_.reset();
        lost_ = true;
    }
}

void RegfFileTree::RollBackTo(std::size_t count) {
    if (changes_.size() != count) Reopen(count);
}

}  // namespace regf
