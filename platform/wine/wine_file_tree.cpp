#include "platform/wine/wine_file_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/registry/key_names.h"
#include "platform/wine/system_fault.h"
#include "platform/wine/wine_name_order.h"
#include "platform/wine/wine_text.h"

namespace wine {
namespace {

using platform::kTreeTop;
using platform::NodeId;

constexpr std::u16string_view kSymbolicLinkValue = u"SymbolicLinkValue";

// In one read of the file's size where it holds still, into a buffer of huge pages that is
// neither cleared first nor copied again unless the file grew while it was read.
PageBuffer ReadWhole(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw WineFileError(SystemFault("Cannot read", path, errno), errno);
    struct stat status {};
    PageBuffer text;
    if (::fstat(fd, &status) == 0 && status.st_size > 0) {
        text = PageBuffer(static_cast<std::size_t>(status.st_size) + 1);
    }
    std::size_t used = 0;
    while (true) {
        if (used == text.capacity()) {
            PageBuffer larger(used + 65536);
            if (used) std::memcpy(larger.data(), text.data(), used);
            text = std::move(larger);
        }
        const ssize_t got = ::read(fd, text.data() + used, text.capacity() - used);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            throw WineFileError(SystemFault("Cannot read", path, error), error);
        }
        if (got == 0) break;
        used += static_cast<std::size_t>(got);
    }
    ::close(fd);
    text.resize(used);
    return text;
}

}  // namespace

// Puts back what changed inside it unless committed; the outermost batch writes the file
// when it commits.
class WineFileTree::Batch final : public platform::TreeBatch {
public:
    explicit Batch(WineFileTree& tree) : tree_(tree), loads_(tree.loads_) {
        tree_.undo_.push_back({{}, tree_.state_->added, {}, tree_.state_->changed});
        ++tree_.depth_;
    }
    ~Batch() override {
        --tree_.depth_;
        Undo undo = std::move(tree_.undo_.back());
        tree_.undo_.pop_back();
        if (done_) {
            // What this batch changed is the enclosing batch's to put back.
            if (!tree_.undo_.empty()) {
                Undo& outer = tree_.undo_.back();
                for (auto& [key, node] : undo.nodes) outer.nodes.try_emplace(key, std::move(node));
                outer.goneSections.insert(outer.goneSections.end(), undo.goneSections.begin(),
                                          undo.goneSections.end());
            }
            return;
        }
        if (tree_.loads_ == loads_) {
            State& state = *tree_.state_;
            for (auto& [key, node] : undo.nodes) {
                if (node) {
                    state.nodes[key] = std::move(*node);
                } else {
                    state.nodes.erase(key);
                }
            }
            for (const std::size_t section : undo.goneSections) state.sections[section].gone = false;
            state.added = std::move(undo.added);
            state.changed = undo.changed;
        } else {
            // The file was read again inside the batch: what it holds now is the state.
            try {
                tree_.Load(PageBuffer::Copy(tree_.text_.view()));
            } catch (...) {
            }
        }
        ++tree_.generation_;
        if (tree_.depth_ == 0) tree_.DiscardSave();
    }
    void Commit() override {
        if (tree_.depth_ == 1 && tree_.state_->changed) {
            tree_.PrepareSave();
            tree_.InstallSave();
        }
        done_ = true;
    }

private:
    WineFileTree& tree_;
    std::uint64_t loads_;
    bool done_ = false;
};

WineFileTree::Node::Node(const Node& other, const allocator_type& arena)
    : parent(other.parent),
      name(other.name, arena),
      children(other.children, arena),
      values(other.values),
      valuesInText(other.valuesInText),
      className(other.className),
      link(other.link),
      modified(other.modified),
      section(other.section),
      touched(other.touched) {}

WineFileTree::Node::Node(Node&& other, const allocator_type& arena)
    : parent(other.parent),
      name(std::move(other.name), arena),
      children(std::move(other.children), arena),
      values(std::move(other.values)),
      valuesInText(other.valuesInText),
      className(std::move(other.className)),
      link(other.link),
      modified(other.modified),
      section(other.section),
      touched(other.touched) {}

// Twice the file's size covers its keys as Wine writes them; a file of more keys per byte
// gets more chunks, each larger than the last. Under AddressSanitizer each key is allocated
// on its own, so that it sees a key used after it went.
WineFileTree::State::State(std::size_t fileSize)
    : pages(std::make_unique<HugePageResource>()),
      arena(std::make_unique<std::pmr::monotonic_buffer_resource>(fileSize * 2 + 65536, pages.get())),
      nodes(kAddressSanitizer ? std::pmr::new_delete_resource()
                              : static_cast<std::pmr::memory_resource*>(arena.get())) {}

WineFileTree::WineFileTree(std::string path, std::u16string fallbackBase)
    : path_(std::move(path)), baseName_(std::move(fallbackBase)), state_(std::make_unique<State>(0)) {
    stamp_ = Stamp();
    Load(ReadWhole(path_));
}

WineFileTree::~WineFileTree() { DiscardSave(); }

WineFileTree::FileStamp WineFileTree::Stamp() const {
    struct stat status {};
    if (::stat(path_.c_str(), &status) != 0) {
        throw WineFileError(SystemFault("Cannot read", path_, errno), errno);
    }
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim.tv_sec,
            status.st_mtim.tv_nsec};
}

WineFileTree::Node& WineFileTree::At(NodeId key) {
    const auto found = state_->nodes.find(key);
    if (found == state_->nodes.end()) throw std::out_of_range("no such key in the tree");
    return found->second;
}

WineFileTree::Node& WineFileTree::WithValues(NodeId key) {
    Node& node = At(key);
    if (node.valuesInText) DecodeValues(node);
    return node;
}

void WineFileTree::Remember(NodeId key) {
    if (undo_.empty()) return;
    auto& kept = undo_.back().nodes;
    if (kept.count(key)) return;
    const auto found = state_->nodes.find(key);
    kept.emplace(key, found == state_->nodes.end() ? std::nullopt : std::optional(found->second));
}

// A key's section is written anew with the time of the change, from its values.
void WineFileTree::Touch(NodeId key) {
    Remember(key);
    Node& node = WithValues(key);
    if (!node.touched && node.section < 0) state_->added.push_back(key);
    node.touched = true;
    node.modified = FileTimeNow();
    state_->changed = true;
}

// The top holds the base key only; the base key and the top are not to be changed away.
static void RefuseTop(NodeId key) {
    if (key == kTreeTop) throw std::invalid_argument("the file's base key has no siblings or values here");
}

std::optional<NodeId> WineFileTree::FindChild(NodeId parent, std::u16string_view name) {
    const auto node = state_->nodes.find(parent);
    if (node == state_->nodes.end()) return std::nullopt;
    const auto found = node->second.children.find(std::u16string_view(platform::FoldName(name)));
    if (found == node->second.children.end()) return std::nullopt;
    return found->second;
}

NodeId WineFileTree::CreateChild(NodeId parent, std::u16string_view name) {
    RefuseTop(parent);
    Remember(parent);
    Node& above = At(parent);
    const NodeId id = next_++;
    Remember(id);
    above.children.emplace(std::u16string_view(platform::FoldName(name)), id);
    Node& made = state_->nodes[id];
    made.parent = parent;
    made.name = name;
    Touch(id);
    return id;
}

std::vector<std::u16string> WineFileTree::ChildNames(NodeId key) {
    std::vector<std::u16string> names;
    for (const auto& [folded, id] : At(key).children) names.emplace_back(At(id).name);
    std::sort(names.begin(), names.end(), WineNameLess);
    return names;
}

bool WineFileTree::Exists(NodeId key) { return key != kTreeTop && state_->nodes.count(key) != 0; }

bool WineFileTree::HasChildren(NodeId key) { return !At(key).children.empty(); }

void WineFileTree::DeleteLeaf(NodeId key) {
    if (key == kTreeTop || key == kBaseKey) {
        throw std::invalid_argument("the file's base key cannot be deleted");
    }
    const Node node = At(key);
    Remember(key);
    Remember(node.parent);
    if (node.section >= 0) {
        state_->sections[static_cast<std::size_t>(node.section)].gone = true;
        if (!undo_.empty()) undo_.back().goneSections.push_back(static_cast<std::size_t>(node.section));
    }
    if (node.touched && node.section < 0) std::erase(state_->added, key);
    Node& parent = WithValues(node.parent);
    const auto listed = parent.children.find(std::u16string_view(platform::FoldName(node.name)));
    if (listed != parent.children.end()) parent.children.erase(listed);
    state_->nodes.erase(key);
    state_->changed = true;
    // Wine keeps a key with no values only while it has subkeys or a section of its own.
    if (node.parent != kBaseKey && parent.children.empty() && parent.values.empty() &&
        parent.section < 0 && !parent.touched) {
        Touch(node.parent);
    }
}

std::optional<platform::TreeValue> WineFileTree::FindValue(NodeId key, std::u16string_view name) {
    if (!state_->nodes.count(key)) return std::nullopt;
    const std::u16string folded = platform::FoldName(name);
    for (const auto& [valueName, value] : WithValues(key).values) {
        if (platform::FoldName(valueName) == folded) return value;
    }
    return std::nullopt;
}

void WineFileTree::SetValue(NodeId key, std::u16string_view name, platform::Dword type,
                            const std::uint8_t* data, std::size_t size) {
    RefuseTop(key);
    Remember(key);
    Node& node = WithValues(key);
    platform::TreeValue stored{type, std::vector<std::uint8_t>(data, data + size)};
    const std::u16string folded = platform::FoldName(name);
    auto same = std::find_if(node.values.begin(), node.values.end(),
                             [&](const auto& v) { return platform::FoldName(v.first) == folded; });
    if (same != node.values.end()) {
        same->second = std::move(stored);
    } else {
        // Where Wine's server would put it, so that it is listed and written in Wine's order.
        const auto place = std::find_if(node.values.begin(), node.values.end(), [&](const auto& v) {
            return WineNameLess(name, v.first);
        });
        node.values.emplace(place, std::u16string(name), std::move(stored));
    }
    Touch(key);
}

bool WineFileTree::DeleteValue(NodeId key, std::u16string_view name) {
    Remember(key);
    Node& node = WithValues(key);
    const std::u16string folded = platform::FoldName(name);
    auto same = std::find_if(node.values.begin(), node.values.end(),
                             [&](const auto& v) { return platform::FoldName(v.first) == folded; });
    if (same == node.values.end()) return false;
    node.values.erase(same);
    Touch(key);
    return true;
}

// In Wine's order whatever order the file gave them in, as Wine's server lists them.
std::vector<std::pair<std::u16string, platform::TreeValue>> WineFileTree::Values(NodeId key) {
    auto values = WithValues(key).values;
    std::stable_sort(values.begin(), values.end(),
                     [](const auto& a, const auto& b) { return WineNameLess(a.first, b.first); });
    return values;
}

platform::TreeCounts WineFileTree::Counts(NodeId key) {
    const Node& node = WithValues(key);
    platform::TreeCounts counts;
    for (const auto& [folded, id] : node.children) counts.AddSubKey(At(id).name.size());
    for (const auto& [name, value] : node.values) counts.AddValue(name.size(), value.data.size());
    return counts;
}

// Wine's server reads the value whatever its type, its data as UTF-16 units.
std::optional<std::u16string> WineFileTree::LinkTarget(NodeId key) {
    const auto node = state_->nodes.find(key);
    if (node == state_->nodes.end() || !node->second.link) return std::nullopt;
    const auto value = FindValue(key, kSymbolicLinkValue);
    if (!value) return std::u16string();
    std::u16string target(value->data.size() / 2, u'\0');
    std::memcpy(target.data(), value->data.data(), target.size() * 2);
    return target;
}

std::unique_ptr<platform::TreeBatch> WineFileTree::BeginBatch() {
    return std::make_unique<Batch>(*this);
}

void WineFileTree::Refresh() {
    const FileStamp now = Stamp();
    if (now == stamp_) return;
    // Changes not yet written would be lost, or would overwrite what the other program wrote.
    if (state_->changed) {
        throw WineFileError(path_ + " was changed by another program during this change; nothing was written to it.");
    }
    Load(ReadWhole(path_));
    stamp_ = now;
}

}  // namespace wine
