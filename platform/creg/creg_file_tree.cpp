#include "platform/creg/creg_file_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/registry/key_names.h"

namespace creg {
namespace {

using platform::kTreeTop;
using platform::NodeId;

std::string SystemFault(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

std::string ReadWhole(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw CregFileError(SystemFault("Cannot read", path, errno), errno);
    std::string bytes;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && status.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(status.st_size));
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            throw CregFileError(SystemFault("Cannot read", path, error), error);
        }
        if (got == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return bytes;
}

}  // namespace

// Keeps the tree as it was and puts it back unless committed; the outermost batch writes
// the file when it commits.
class CregFileTree::Batch final : public platform::TreeBatch {
public:
    explicit Batch(CregFileTree& tree)
        : tree_(tree),
          mark_(tree.undo_.size()),
          changed_(tree.state_.changed),
          loads_(tree.loads_) {
        ++tree_.depth_;
    }
    ~Batch() override {
        --tree_.depth_;
        if (done_) return;
        if (tree_.loads_ == loads_) {
            while (tree_.undo_.size() > mark_) {
                tree_.undo_.back()();
                tree_.undo_.pop_back();
            }
            tree_.state_.changed = changed_;
        } else {
            // The file was read again inside the batch: what it holds now is the state.
            try {
                tree_.Load(tree_.bytes_);
            } catch (...) {
            }
        }
        ++tree_.generation_;
        if (tree_.depth_ == 0) tree_.DiscardSave();
    }
    void Commit() override {
        if (tree_.depth_ == 1) {
            if (tree_.state_.changed) {
                tree_.PrepareSave();
                tree_.InstallSave();
            }
            tree_.undo_.clear();
        }
        done_ = true;
    }

private:
    CregFileTree& tree_;
    std::size_t mark_;
    bool changed_;
    std::uint64_t loads_;
    bool done_ = false;
};

CregFileTree::CregFileTree(std::string path, std::u16string rootName, HiveText text,
                           WriteOptions options)
    : path_(std::move(path)), rootName_(std::move(rootName)), text_(text), options_(options) {
    stamp_ = Stamp();
    Load(ReadWhole(path_));
}

CregFileTree::~CregFileTree() { DiscardSave(); }

CregFileTree::FileStamp CregFileTree::Stamp() const {
    struct stat status {};
    if (::stat(path_.c_str(), &status) != 0) {
        throw CregFileError(SystemFault("Cannot read", path_, errno), errno);
    }
    return {status.st_size, status.st_mtim.tv_sec, status.st_mtim.tv_nsec, status.st_dev,
            status.st_ino};
}

// Keys keep their numbers across a reading of the file, found again by their parent and
// name, so that handles opened before still name them.
void CregFileTree::Load(std::string bytes) {
    Hive hive;
    try {
        hive = ReadHive(bytes);
    } catch (const HiveFormatError& error) {
        throw CregFileError(path_ + " cannot be used: " + error.what() + ".");
    }
    if (hive.keys.empty()) throw CregFileError(path_ + " cannot be used: it holds no root key.");
    const State old = std::move(state_);
    State fresh;
    fresh.hive = std::move(hive);
    fresh.nodes.reserve(old.nodes.size() + fresh.hive.keys.size() + 1);
    fresh.nodes.resize(std::max<std::size_t>(old.nodes.size(), kRootKey + 1));
    fresh.nodes[kRootKey].key = 0;
    fresh.nodes[kRootKey].name = rootName_;
    fresh.nodes[kTreeTop].children.emplace(platform::FoldName(rootName_), kRootKey);
    std::vector<NodeId> nodeOfKey(fresh.hive.keys.size(), 0);
    nodeOfKey[0] = kRootKey;
    // Keys come parents first, as they were read.
    for (std::size_t k = 1; k < fresh.hive.keys.size(); ++k) {
        const HiveKey& key = fresh.hive.keys[k];
        const NodeId parent = nodeOfKey[key.parent];
        std::u16string name = text_.Decode(key.name);
        std::u16string folded = platform::FoldName(name);
        auto& siblings = fresh.nodes[static_cast<std::size_t>(parent)].children;
        NodeId id = 0;
        if (!siblings.count(folded) && static_cast<std::size_t>(parent) < old.nodes.size()) {
            const auto& before = old.nodes[static_cast<std::size_t>(parent)].children;
            const auto same = before.find(folded);
            if (same != before.end() &&
                fresh.nodes[static_cast<std::size_t>(same->second)].key == HiveKey::kNone) {
                id = same->second;
            }
        }
        if (id == 0) {
            id = static_cast<NodeId>(fresh.nodes.size());
            fresh.nodes.emplace_back();
        }
        Node& node = fresh.nodes[static_cast<std::size_t>(id)];
        node.key = k;
        node.parent = parent;
        node.name = std::move(name);
        // A second key of one name under one parent (no Windows makes one) stays unseen.
        fresh.nodes[static_cast<std::size_t>(parent)].children.emplace(std::move(folded), id);
        nodeOfKey[k] = id;
    }
    state_ = std::move(fresh);
    undo_.clear();
    bytes_ = std::move(bytes);
    ++loads_;
    ++generation_;
}

CregFileTree::Node& CregFileTree::At(NodeId key) {
    if (key <= kTreeTop || static_cast<std::size_t>(key) >= state_.nodes.size() ||
        state_.nodes[static_cast<std::size_t>(key)].key == HiveKey::kNone) {
        throw std::out_of_range("no such key in the tree");
    }
    return state_.nodes[static_cast<std::size_t>(key)];
}

HiveKey& CregFileTree::KeyOf(NodeId key) { return state_.hive.keys[At(key).key]; }

void CregFileTree::Remember(std::function<void()> undo) {
    if (depth_ > 0) undo_.push_back(std::move(undo));
}

void CregFileTree::RememberKey(NodeId key) {
    const std::size_t index = At(key).key;
    Remember([this, index, kept = state_.hive.keys[index]]() mutable {
        state_.hive.keys[index] = std::move(kept);
    });
}

HiveKey& CregFileTree::Touch(NodeId key) {
    HiveKey& changed = KeyOf(key);
    changed.record.clear();
    state_.changed = true;
    return changed;
}

std::string CregFileTree::Encoded(std::u16string_view text) const {
    auto bytes = text_.Encode(text);
    if (!bytes) {
        throw CregTextError(
            "A name holds characters that code page " + std::to_string(text_.CodePage()) +
            " of this Windows installation cannot keep; " + path_ + " was not changed.");
    }
    return std::move(*bytes);
}

// The top holds the root key only, which is not made, deleted or given values here.
static void RefuseTop(NodeId key) {
    if (key == kTreeTop)
        throw std::invalid_argument("the file's root key has no siblings or values here");
}

std::optional<NodeId> CregFileTree::FindChild(NodeId parent, std::u16string_view name) {
    if (parent < 0 || static_cast<std::size_t>(parent) >= state_.nodes.size()) return std::nullopt;
    const Node& node = state_.nodes[static_cast<std::size_t>(parent)];
    if (parent != kTreeTop && node.key == HiveKey::kNone) return std::nullopt;
    const auto found = node.children.find(platform::FoldName(name));
    if (found == node.children.end()) return std::nullopt;
    return found->second;
}

NodeId CregFileTree::CreateChild(NodeId parent, std::u16string_view name) {
    RefuseTop(parent);
    HiveKey key;
    key.name = Encoded(name);
    try {
        CheckKeyLimits(key);
    } catch (const HiveLimitError& error) {
        throw CregLimitError(std::string(error.what()) + "; " + path_ + " was not changed.");
    }
    const std::size_t parentKey = At(parent).key;
    key.parent = parentKey;
    Hive& hive = state_.hive;
    hive.keys.push_back(std::move(key));
    const std::size_t index = hive.keys.size() - 1;
    hive.keys[parentKey].children.push_back(index);
    const NodeId id = static_cast<NodeId>(state_.nodes.size());
    Node made;
    made.key = index;
    made.parent = parent;
    made.name = name;
    state_.nodes.push_back(std::move(made));
    std::u16string folded = platform::FoldName(name);
    state_.nodes[static_cast<std::size_t>(parent)].children.emplace(folded, id);
    state_.changed = true;
    Remember([this, parent, parentKey, folded] {
        state_.nodes[static_cast<std::size_t>(parent)].children.erase(folded);
        state_.nodes.pop_back();
        state_.hive.keys[parentKey].children.pop_back();
        state_.hive.keys.pop_back();
    });
    return id;
}

std::vector<std::u16string> CregFileTree::ChildNames(NodeId key) {
    const Node& node = key == kTreeTop ? state_.nodes[kTreeTop] : At(key);
    std::vector<std::u16string> names;
    names.reserve(node.children.size());
    for (const auto& [folded, id] : node.children) {
        names.push_back(state_.nodes[static_cast<std::size_t>(id)].name);
    }
    return names;
}

bool CregFileTree::Exists(NodeId key) {
    return key > kTreeTop && static_cast<std::size_t>(key) < state_.nodes.size() &&
           state_.nodes[static_cast<std::size_t>(key)].key != HiveKey::kNone;
}

bool CregFileTree::HasChildren(NodeId key) {
    return !(key == kTreeTop ? state_.nodes[kTreeTop] : At(key)).children.empty();
}

void CregFileTree::DeleteLeaf(NodeId key) {
    if (key == kTreeTop || key == kRootKey) {
        throw std::invalid_argument("the file's root key cannot be deleted");
    }
    Node& node = At(key);
    const std::size_t index = node.key;
    const NodeId parent = node.parent;
    std::u16string folded = platform::FoldName(node.name);
    state_.hive.keys[index].deleted = true;
    state_.nodes[static_cast<std::size_t>(parent)].children.erase(folded);
    node.key = HiveKey::kNone;
    node.children.clear();
    state_.changed = true;
    Remember([this, key, index, parent, folded] {
        state_.hive.keys[index].deleted = false;
        state_.nodes[static_cast<std::size_t>(key)].key = index;
        state_.nodes[static_cast<std::size_t>(parent)].children.emplace(folded, key);
    });
}

std::optional<platform::TreeValue> CregFileTree::FindValue(NodeId key, std::u16string_view name) {
    if (!Exists(key)) return std::nullopt;
    const auto bytes = text_.Encode(name);
    if (!bytes) return std::nullopt;
    const std::u16string folded = platform::FoldName(name);
    for (const HiveValue& value : KeyOf(key).values) {
        if (value.name.size() == bytes->size() &&
            platform::FoldName(text_.Decode(value.name)) == folded) {
            return platform::TreeValue{value.type, text_.DecodeData(value.type, value.data)};
        }
    }
    return std::nullopt;
}

void CregFileTree::SetValue(NodeId key, std::u16string_view name, platform::Dword type,
                            const std::uint8_t* data, std::size_t size) {
    RefuseTop(key);
    HiveValue stored;
    stored.name = Encoded(name);
    stored.type = type;
    auto encoded = text_.EncodeData(type, data, size);
    if (!encoded) {
        throw CregTextError(std::string("A text holds characters that code page ") +
                            std::to_string(text_.CodePage()) +
                            " of this Windows installation cannot keep; " + path_ +
                            " was not changed.");
    }
    stored.data = std::move(*encoded);
    HiveKey changed = KeyOf(key);
    const std::u16string folded = platform::FoldName(name);
    auto same = std::find_if(changed.values.begin(), changed.values.end(), [&](const HiveValue& v) {
        return platform::FoldName(text_.Decode(v.name)) == folded;
    });
    if (same != changed.values.end()) {
        stored.name = same->name;
        stored.unknown = same->unknown;
        *same = std::move(stored);
    } else {
        changed.values.push_back(std::move(stored));
    }
    try {
        CheckKeyLimits(changed);
    } catch (const HiveLimitError& error) {
        throw CregLimitError(std::string(error.what()) + "; " + path_ + " was not changed.");
    }
    RememberKey(key);
    Touch(key) = std::move(changed);
    KeyOf(key).record.clear();
}

bool CregFileTree::DeleteValue(NodeId key, std::u16string_view name) {
    HiveKey& changed = KeyOf(key);
    const std::u16string folded = platform::FoldName(name);
    auto same = std::find_if(changed.values.begin(), changed.values.end(), [&](const HiveValue& v) {
        return platform::FoldName(text_.Decode(v.name)) == folded;
    });
    if (same == changed.values.end()) return false;
    RememberKey(key);
    KeyOf(key).values.erase(KeyOf(key).values.begin() + (same - changed.values.begin()));
    Touch(key);
    return true;
}

std::vector<std::pair<std::u16string, platform::TreeValue>> CregFileTree::Values(NodeId key) {
    std::vector<std::pair<std::u16string, platform::TreeValue>> values;
    const HiveKey& hiveKey = KeyOf(key);
    values.reserve(hiveKey.values.size());
    for (const HiveValue& value : hiveKey.values) {
        values.emplace_back(
            text_.Decode(value.name),
            platform::TreeValue{value.type, text_.DecodeData(value.type, value.data)});
    }
    return values;
}

platform::TreeCounts CregFileTree::Counts(NodeId key) {
    const Node& node = At(key);
    platform::TreeCounts counts;
    for (const auto& [folded, id] : node.children) {
        counts.AddSubKey(state_.nodes[static_cast<std::size_t>(id)].name.size());
    }
    for (const auto& [name, value] : Values(key)) counts.AddValue(name.size(), value.data.size());
    return counts;
}

std::unique_ptr<platform::TreeBatch> CregFileTree::BeginBatch() {
    return std::make_unique<Batch>(*this);
}

void CregFileTree::Refresh() {
    const FileStamp now = Stamp();
    if (now == stamp_) return;
    // Changes not yet written would be lost, or would overwrite what the other program wrote.
    if (state_.changed) {
        throw CregFileError(path_ +
                            " was changed by another program since it was read; "
                            "nothing was written to it.");
    }
    Load(ReadWhole(path_));
    stamp_ = now;
}

}  // namespace creg
