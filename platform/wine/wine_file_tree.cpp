#include "platform/wine/wine_file_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/registry/key_names.h"
#include "platform/wine/wine_text.h"

namespace wine {
namespace {

using platform::kTreeTop;
using platform::NodeId;

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr std::string_view kBaseComment = ";; All keys relative to ";

std::string SystemFault(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

std::string ReadWhole(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw WineFileError(SystemFault("Cannot read", path, errno), errno);
    std::string text;
    char buffer[65536];
    while (true) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            const int error = errno;
            ::close(fd);
            throw WineFileError(SystemFault("Cannot read", path, error), error);
        }
        if (got == 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

bool EndsWith(const std::string& text, std::string_view end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// A blank line between sections, as wineserver writes one before each key line.
void EnsureBlankLine(std::string& out) {
    if (!EndsWith(out, "\n")) out.push_back('\n');
    if (!EndsWith(out, "\n\n")) out.push_back('\n');
}

// The last name of the header's "All keys relative to REGISTRY\\User\\S-1-5-..." line.
std::optional<std::u16string> BaseFromComment(std::string_view line) {
    if (line.substr(0, kBaseComment.size()) != kBaseComment) return std::nullopt;
    const std::string_view path = line.substr(kBaseComment.size());
    const std::size_t slash = path.rfind('\\');
    const std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (last.empty()) return std::nullopt;
    std::string fault;
    std::size_t pos = 0;
    const std::string terminated = std::string(last) + '\n';
    return ReadEscaped(terminated, pos, '\n', fault);
}

}  // namespace

// Keeps the tree as it was and puts it back unless committed; the outermost batch writes
// the file when it commits.
class WineFileTree::Batch final : public platform::TreeBatch {
public:
    explicit Batch(WineFileTree& tree)
        : tree_(tree), saved_(tree.state_), loads_(tree.loads_) {
        ++tree_.depth_;
    }
    ~Batch() override {
        --tree_.depth_;
        if (done_) return;
        if (tree_.loads_ == loads_) {
            tree_.state_ = std::move(saved_);
        } else {
            // The file was read again inside the batch: what it holds now is the state.
            try {
                tree_.Load(tree_.text_);
            } catch (...) {
            }
        }
        ++tree_.generation_;
        if (tree_.depth_ == 0) tree_.DiscardSave();
    }
    void Commit() override {
        if (tree_.depth_ == 1 && tree_.state_.changed) {
            tree_.PrepareSave();
            tree_.InstallSave();
        }
        done_ = true;
    }

private:
    WineFileTree& tree_;
    State saved_;
    std::uint64_t loads_;
    bool done_ = false;
};

WineFileTree::WineFileTree(std::string path, std::u16string fallbackBase)
    : path_(std::move(path)), baseName_(std::move(fallbackBase)) {
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

// Reads every line or nothing: the state changes only when the whole text was understood.
// Keys keep the numbers they had before, so that handles survive a reading.
void WineFileTree::Load(std::string text) {
    State fresh;
    fresh.nodes[kTreeTop];
    std::u16string baseName = baseName_;
    std::size_t headerEnd = text.size();
    NodeId current = 0;
    const State& old = state_;

    auto child = [&](NodeId parent, const std::u16string& name) -> NodeId {
        const std::u16string folded = platform::FoldName(name);
        Node& above = fresh.nodes.at(parent);
        if (const auto found = above.children.find(folded); found != above.children.end()) {
            return found->second;
        }
        NodeId id = 0;
        if (const auto before = old.nodes.find(parent); before != old.nodes.end()) {
            const auto same = before->second.children.find(folded);
            if (same != before->second.children.end() && !fresh.nodes.count(same->second)) {
                id = same->second;
            }
        }
        if (id == 0) id = next_++;
        above.children.emplace(folded, id);
        Node& made = fresh.nodes[id];
        made.parent = parent;
        made.name = name;
        return id;
    };

    std::size_t lineNumber = 0;
    // The folded names of the values read so far in the current section, with their places.
    std::unordered_map<std::u16string, std::size_t> sectionValues;
    auto refuse = [&](const std::string& fault) {
        throw WineFileError(path_ + ", line " + std::to_string(lineNumber) + ": " + fault +
                            ". The file was not read, and nothing will be written to it.");
    };

    std::size_t pos = 0;
    bool inHeader = true;
    while (pos < text.size()) {
        const std::size_t start = pos;
        std::size_t newline = text.find('\n', pos);
        if (newline == std::string::npos) newline = text.size();
        pos = newline + 1;
        ++lineNumber;
        std::string_view line(text.data() + start, newline - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        if (lineNumber == 1) {
            if (line != kHeader) refuse("the file does not begin with \"WINE REGISTRY Version 2\"");
            continue;
        }
        if (line.empty() || line.find_first_not_of(" \t") == std::string_view::npos) continue;
        if (line[0] == ';') {
            if (inHeader) {
                if (auto named = BaseFromComment(line)) baseName = std::move(*named);
            }
            continue;
        }
        std::string fault;
        if (line[0] == '[') {
            if (inHeader) {
                inHeader = false;
                headerEnd = start;
                Node& base = fresh.nodes[kBaseKey];
                base.parent = kTreeTop;
                base.name = baseName;
                fresh.nodes[kTreeTop].children.emplace(platform::FoldName(baseName), kBaseKey);
            } else {
                fresh.sections.back().end = start;
            }
            const auto key = ParseKeyLine(line, fault);
            if (!key) refuse(fault);
            current = kBaseKey;
            for (const auto& name : key->path) current = child(current, name);
            Node& node = fresh.nodes.at(current);
            if (node.section >= 0) refuse("the key is listed a second time");
            sectionValues.clear();
            node.section = static_cast<long>(fresh.sections.size());
            fresh.sections.push_back({start, text.size(), current, false});
            continue;
        }
        if (inHeader) {
            if (line.substr(0, 6) == "#arch=") continue;
            refuse("the header holds a line that is no comment or #arch");
        }
        Node& node = fresh.nodes.at(current);
        if (line.substr(0, 6) == "#time=") {
            const auto time = ParseTime(line.substr(6));
            if (!time) refuse("#time= is not followed by a hexadecimal time");
            node.modified = *time;
        } else if (line.substr(0, 8) == "#class=\"") {
            std::size_t at = 8;
            auto name = ReadEscaped(line, at, '"', fault);
            if (!name) refuse(fault);
            node.className = std::move(*name);
        } else if (line == "#link") {
            node.link = true;
        } else {
            // Hex data goes on over lines that end with a backslash.
            std::string joined;
            std::string_view whole = line;
            const std::size_t firstLine = lineNumber;
            while (!whole.empty() && whole.back() == '\\' && pos < text.size()) {
                if (joined.empty()) joined.assign(whole);
                joined.pop_back();
                std::size_t next = text.find('\n', pos);
                if (next == std::string::npos) next = text.size();
                std::string_view more(text.data() + pos, next - pos);
                pos = next + 1;
                ++lineNumber;
                if (!more.empty() && more.back() == '\r') more.remove_suffix(1);
                more.remove_prefix(std::min(more.find_first_not_of(" \t"), more.size()));
                joined.append(more);
                whole = joined;
            }
            auto value = ParseValueLine(whole, fault);
            if (!value) {
                lineNumber = firstLine;
                refuse(fault);
            }
            // A name given twice keeps its first place and its last data, as Wine loads it.
            const auto [place, added] =
                sectionValues.emplace(platform::FoldName(value->name), node.values.size());
            if (added) {
                node.values.emplace_back(std::move(value->name), std::move(value->value));
            } else {
                node.values[place->second].second = std::move(value->value);
            }
        }
    }
    if (lineNumber == 0) refuse("the file is empty");
    if (inHeader) {
        Node& base = fresh.nodes[kBaseKey];
        base.parent = kTreeTop;
        base.name = baseName;
        fresh.nodes[kTreeTop].children.emplace(platform::FoldName(baseName), kBaseKey);
    }
    const bool reading = !state_.nodes.empty();
    state_ = std::move(fresh);
    baseName_ = std::move(baseName);
    text_ = std::move(text);
    headerEnd_ = headerEnd;
    ++loads_;
    if (reading) ++generation_;
}

WineFileTree::Node& WineFileTree::At(NodeId key) {
    const auto found = state_.nodes.find(key);
    if (found == state_.nodes.end()) throw std::out_of_range("no such key in the tree");
    return found->second;
}

// A key's section is written anew with the time of the change.
void WineFileTree::Touch(NodeId key) {
    Node& node = At(key);
    if (!node.touched && node.section < 0) state_.added.push_back(key);
    node.touched = true;
    node.modified = FileTimeNow();
    state_.changed = true;
}

// The top holds the base key only; the base key and the top are not to be changed away.
static void RefuseTop(NodeId key) {
    if (key == kTreeTop) throw std::invalid_argument("the file's base key has no siblings or values here");
}

std::optional<NodeId> WineFileTree::FindChild(NodeId parent, std::u16string_view name) {
    const auto node = state_.nodes.find(parent);
    if (node == state_.nodes.end()) return std::nullopt;
    const auto found = node->second.children.find(platform::FoldName(name));
    if (found == node->second.children.end()) return std::nullopt;
    return found->second;
}

NodeId WineFileTree::CreateChild(NodeId parent, std::u16string_view name) {
    RefuseTop(parent);
    Node& above = At(parent);
    const NodeId id = next_++;
    above.children.emplace(platform::FoldName(name), id);
    Node& made = state_.nodes[id];
    made.parent = parent;
    made.name = name;
    Touch(id);
    return id;
}

std::vector<std::u16string> WineFileTree::ChildNames(NodeId key) {
    std::vector<std::u16string> names;
    for (const auto& [folded, id] : At(key).children) names.push_back(At(id).name);
    return names;
}

bool WineFileTree::Exists(NodeId key) { return key != kTreeTop && state_.nodes.count(key) != 0; }

bool WineFileTree::HasChildren(NodeId key) { return !At(key).children.empty(); }

void WineFileTree::DeleteLeaf(NodeId key) {
    if (key == kTreeTop || key == kBaseKey) {
        throw std::invalid_argument("the file's base key cannot be deleted");
    }
    const Node node = At(key);
    if (node.section >= 0) state_.sections[static_cast<std::size_t>(node.section)].gone = true;
    if (node.touched && node.section < 0) std::erase(state_.added, key);
    Node& parent = At(node.parent);
    parent.children.erase(platform::FoldName(node.name));
    state_.nodes.erase(key);
    state_.changed = true;
    // Wine keeps a key with no values only while it has subkeys or a section of its own.
    if (node.parent != kBaseKey && parent.children.empty() && parent.values.empty() &&
        parent.section < 0 && !parent.touched) {
        Touch(node.parent);
    }
}

std::optional<platform::TreeValue> WineFileTree::FindValue(NodeId key, std::u16string_view name) {
    const auto node = state_.nodes.find(key);
    if (node == state_.nodes.end()) return std::nullopt;
    const std::u16string folded = platform::FoldName(name);
    for (const auto& [valueName, value] : node->second.values) {
        if (platform::FoldName(valueName) == folded) return value;
    }
    return std::nullopt;
}

void WineFileTree::SetValue(NodeId key, std::u16string_view name, platform::Dword type,
                            const std::uint8_t* data, std::size_t size) {
    RefuseTop(key);
    Node& node = At(key);
    platform::TreeValue stored{type, std::vector<std::uint8_t>(data, data + size)};
    const std::u16string folded = platform::FoldName(name);
    auto same = std::find_if(node.values.begin(), node.values.end(),
                             [&](const auto& v) { return platform::FoldName(v.first) == folded; });
    if (same != node.values.end()) {
        same->second = std::move(stored);
    } else {
        node.values.emplace_back(std::u16string(name), std::move(stored));
    }
    Touch(key);
}

bool WineFileTree::DeleteValue(NodeId key, std::u16string_view name) {
    Node& node = At(key);
    const std::u16string folded = platform::FoldName(name);
    auto same = std::find_if(node.values.begin(), node.values.end(),
                             [&](const auto& v) { return platform::FoldName(v.first) == folded; });
    if (same == node.values.end()) return false;
    node.values.erase(same);
    Touch(key);
    return true;
}

std::vector<std::pair<std::u16string, platform::TreeValue>> WineFileTree::Values(NodeId key) {
    return At(key).values;
}

platform::TreeCounts WineFileTree::Counts(NodeId key) {
    const Node& node = At(key);
    platform::TreeCounts counts;
    counts.subKeys = static_cast<platform::Dword>(node.children.size());
    for (const auto& [folded, id] : node.children) {
        counts.maxSubKeyLength =
            std::max(counts.maxSubKeyLength, static_cast<platform::Dword>(At(id).name.size()));
    }
    counts.values = static_cast<platform::Dword>(node.values.size());
    for (const auto& [name, value] : node.values) {
        counts.maxValueNameLength =
            std::max(counts.maxValueNameLength, static_cast<platform::Dword>(name.size()));
        counts.maxValueSize =
            std::max(counts.maxValueSize, static_cast<platform::Dword>(value.data.size()));
    }
    return counts;
}

std::unique_ptr<platform::TreeBatch> WineFileTree::BeginBatch() {
    return std::make_unique<Batch>(*this);
}

void WineFileTree::Refresh() {
    const FileStamp now = Stamp();
    if (now == stamp_) return;
    // Changes not yet written would be lost, or would overwrite what the other program wrote.
    if (state_.changed) {
        throw WineFileError(path_ + " was changed by another program during this change; nothing was written to it.");
    }
    Load(ReadWhole(path_));
    stamp_ = now;
}

std::vector<std::u16string> WineFileTree::PathOf(NodeId key) {
    std::vector<std::u16string> path;
    for (NodeId at = key; at != kBaseKey && at != kTreeTop; at = At(at).parent) {
        path.push_back(At(at).name);
    }
    std::reverse(path.begin(), path.end());
    return path;
}

void WineFileTree::RenderSection(NodeId key, std::string& out) {
    const Node& node = At(key);
    WriteKeyLines(PathOf(key), node.modified, out);
    if (node.className) {
        out += "#class=\"";
        WriteEscaped(*node.className, "\"\"", out);
        out += "\"\n";
    }
    if (node.link) out += "#link\n";
    for (const auto& [name, value] : node.values) WriteValueLine(name, value, out);
}

// The header and the untouched sections as they were read; touched ones written anew,
// and the keys that had no section at the end.
std::string WineFileTree::Render() {
    std::string out(text_, 0, headerEnd_);
    std::size_t lastEnd = headerEnd_;
    for (const Section& section : state_.sections) {
        if (section.gone) continue;
        if (At(section.node).touched) {
            EnsureBlankLine(out);
            RenderSection(section.node, out);
            lastEnd = std::string::npos;
            continue;
        }
        if (section.begin != lastEnd) EnsureBlankLine(out);
        out.append(text_, section.begin, section.end - section.begin);
        lastEnd = section.end;
    }
    for (const NodeId key : state_.added) {
        // Wine lists a key without values through its subkeys' lines.
        const Node& node = At(key);
        if (node.values.empty() && !node.children.empty() && !node.className && !node.link) continue;
        EnsureBlankLine(out);
        RenderSection(key, out);
    }
    return out;
}

bool WineFileTree::PrepareSave() {
    if (!state_.changed) return false;
    DiscardSave();
    std::string text = Render();
    struct stat status {};
    const mode_t mode = ::stat(path_.c_str(), &status) == 0 ? (status.st_mode & 07777) : 0644;
    std::string temporary = path_ + ".vantrel-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) throw WineFileError(SystemFault("Cannot write beside", path_, errno), errno);
    auto fail = [&](int error) {
        ::close(fd);
        ::unlink(temporary.c_str());
        throw WineFileError(SystemFault("Cannot write", temporary, error), error);
    };
    if (::fchmod(fd, mode) != 0) fail(errno);
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t done = ::write(fd, text.data() + written, text.size() - written);
        if (done < 0 && errno == EINTR) continue;
        if (done < 0) fail(errno);
        written += static_cast<std::size_t>(done);
    }
    if (::fsync(fd) != 0) fail(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw WineFileError(SystemFault("Cannot write", temporary, error), error);
    }
    pendingPath_ = std::move(temporary);
    pendingText_ = std::move(text);
    return true;
}

void WineFileTree::InstallSave() {
    if (pendingPath_.empty()) return;
    if (::rename(pendingPath_.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        DiscardSave();
        throw WineFileError(SystemFault("Cannot replace", path_, error), error);
    }
    pendingPath_.clear();
    // The rename is kept across a crash once the folder is on disk too.
    const std::size_t slash = path_.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path_.substr(0, slash + 1);
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    Load(std::move(pendingText_));
    pendingText_.clear();
    stamp_ = Stamp();
}

void WineFileTree::DiscardSave() noexcept {
    if (pendingPath_.empty()) return;
    ::unlink(pendingPath_.c_str());
    pendingPath_.clear();
    pendingText_.clear();
}

}  // namespace wine
