// Reading a Wine registry file into the tree: every line is understood, or nothing changes.
#include <algorithm>
#include <cstring>

#include "platform/registry/key_names.h"
#include "platform/wine/wine_file_tree.h"
#include "platform/wine/wine_text.h"

namespace wine {
namespace {

using platform::kTreeTop;
using platform::NodeId;

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr std::string_view kBaseComment = ";; All keys relative to ";

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

// The lines of a file's text one by one, each without its line end ("\n" or "\r\n"), and a
// value line with the lines its trailing backslashes continue it over joined into one.
class LineReader {
public:
    LineReader(std::string_view text, std::size_t pos) : text_(text), pos_(pos) {}

    bool Next(std::string_view& line) {
        if (pos_ >= text_.size()) return false;
        start_ = pos_;
        line = Take();
        return true;
    }
    std::string_view Continued(std::string_view line) {
        if (line.empty() || line.back() != '\\' || pos_ >= text_.size()) return line;
        joined_.assign(line);
        while (!joined_.empty() && joined_.back() == '\\' && pos_ < text_.size()) {
            joined_.pop_back();
            std::string_view more = Take();
            more.remove_prefix(std::min(more.find_first_not_of(" \t"), more.size()));
            joined_.append(more);
        }
        return joined_;
    }
    // Where the last line that Next gave begins, and the number of the last line taken.
    std::size_t Start() const { return start_; }
    std::size_t Number() const { return number_; }

private:
    std::string_view Take() {
        const char* begin = text_.data() + pos_;
        const void* newline = std::memchr(begin, '\n', text_.size() - pos_);
        const std::size_t end =
            newline ? static_cast<std::size_t>(static_cast<const char*>(newline) - text_.data())
                    : text_.size();
        std::string_view line(begin, end - pos_);
        pos_ = end + 1;
        ++number_;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    }

    std::string_view text_;
    std::size_t pos_, start_ = 0, number_ = 0;
    // Reused from line to line, so that long hex data costs no allocation each.
    std::string joined_;
};

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

// The lines of a key's section that say something of the key itself rather than a value.
bool IsKeyOption(std::string_view line) {
    return line.starts_with("#time=") || line.starts_with("#class=\"") || line == "#link";
}

}  // namespace

// Reads every line or nothing: the state changes only when the whole text was understood.
// Keys keep the numbers they had before, so that handles survive a reading. Every value line
// is checked here, but decoded only when its key's values are first asked for.
void WineFileTree::Load(PageBuffer buffer) {
    const std::string_view text = buffer.view();
    auto made = std::make_unique<State>(text.size());
    State& fresh = *made;
    // Wine's files run at about two hundred bytes a key: the table is made once.
    fresh.nodes.reserve(text.size() / 128 + 16);
    fresh.nodes[kTreeTop];
    std::u16string baseName = baseName_;
    std::size_t headerEnd = text.size();
    const State& old = *state_;

    auto child = [&](NodeId parent, std::u16string_view name) -> NodeId {
        const std::u16string folded = platform::FoldName(name);
        Node& above = fresh.nodes.at(parent);
        if (const auto found = above.children.find(std::u16string_view(folded));
            found != above.children.end()) {
            return found->second;
        }
        NodeId id = 0;
        if (const auto before = old.nodes.find(parent); before != old.nodes.end()) {
            const auto same = before->second.children.find(std::u16string_view(folded));
            if (same != before->second.children.end() && !fresh.nodes.count(same->second)) {
                id = same->second;
            }
        }
        if (id == 0) id = next_++;
        above.children.emplace(std::u16string_view(folded), id);
        Node& made = fresh.nodes[id];
        made.parent = parent;
        made.name = name;
        return id;
    };
    auto placeBase = [&] {
        Node& base = fresh.nodes[kBaseKey];
        base.parent = kTreeTop;
        base.name = baseName;
        fresh.nodes[kTreeTop].children.emplace(std::u16string_view(platform::FoldName(baseName)), kBaseKey);
    };

    // The names of the last key line and their keys; the names are overwritten in place.
    std::vector<std::u16string> lastPath;
    std::vector<NodeId> lastIds;
    std::size_t lastDepth = 0;
    LineReader lines(text, 0);
    std::size_t lineNumber = 0;
    auto refuse = [&](const std::string& fault) {
        throw WineFileError(path_ + ", line " + std::to_string(lineNumber) + ": " + fault +
                            ". The file was not read, and nothing will be written to it.");
    };

    Node* node = nullptr;
    bool inHeader = true;
    std::string fault;
    std::string_view line;
    while (lines.Next(line)) {
        lineNumber = lines.Number();
        if (lineNumber == 1) {
            if (line != kHeader) refuse("the file does not begin with \"WINE REGISTRY Version 2\"");
            continue;
        }
        if (line.empty() || IsBlank(line)) continue;
        if (line[0] == ';') {
            if (inHeader) {
                if (auto named = BaseFromComment(line)) baseName = std::move(*named);
            }
            continue;
        }
        if (line[0] == '[') {
            const std::size_t start = lines.Start();
            if (inHeader) {
                inHeader = false;
                headerEnd = start;
                placeBase();
            } else {
                fresh.sections.back().end = start;
            }
            const auto path = ReadKeyPath(line, fault);
            if (!path) refuse(fault);
            // Keys come sorted: the names this path shares with the last one lead to the same
            // keys, found without looking them up again.
            NodeId current = kBaseKey;
            std::size_t depth = 0;
            bool shared = true;
            for (std::size_t begin = 0; !path->empty();) {
                const std::size_t slash = std::min(path->find(u'\\', begin), path->size());
                const std::u16string_view name = path->substr(begin, slash - begin);
                if (shared && depth < lastDepth && lastPath[depth] == name) {
                    current = lastIds[depth];
                } else {
                    shared = false;
                    current = child(current, name);
                    if (depth < lastPath.size()) {
                        lastPath[depth].assign(name);
                        lastIds[depth] = current;
                    } else {
                        lastPath.emplace_back(name);
                        lastIds.push_back(current);
                    }
                }
                ++depth;
                if (slash == path->size()) break;
                begin = slash + 1;
            }
            lastDepth = depth;
            node = &fresh.nodes.at(current);
            if (node->section >= 0) refuse("the key is listed a second time");
            node->section = static_cast<long>(fresh.sections.size());
            fresh.sections.push_back({start, text.size(), current, false});
            continue;
        }
        if (inHeader) {
            if (line.substr(0, 6) == "#arch=") continue;
            refuse("the header holds a line that is no comment or #arch");
        }
        if (line.starts_with("#time=")) {
            const auto time = ParseTime(line.substr(6));
            if (!time) refuse("#time= is not followed by a hexadecimal time");
            node->modified = *time;
        } else if (line.starts_with("#class=\"")) {
            std::size_t at = 8;
            auto name = ReadEscaped(line, at, '"', fault);
            if (!name) refuse(fault);
            node->className = std::move(*name);
        } else if (line == "#link") {
            node->link = true;
        } else {
            if (!CheckValueLine(lines.Continued(line), fault)) refuse(fault);
            node->valuesInText = true;
        }
    }
    if (lines.Number() == 0) refuse("the file is empty");
    if (inHeader) placeBase();
    const bool reading = !state_->nodes.empty();
    state_ = std::move(made);
    baseName_ = std::move(baseName);
    text_ = std::move(buffer);
    headerEnd_ = headerEnd;
    ++loads_;
    if (reading) ++generation_;
}

// The value lines of a section Load checked: what they hold cannot fail to decode unless the
// text changed under the tree.
void WineFileTree::DecodeValues(Node& node) {
    node.valuesInText = false;
    if (node.section < 0) return;
    const Section& section = state_->sections[static_cast<std::size_t>(node.section)];
    std::vector<std::pair<std::u16string, platform::TreeValue>> values;
    // The folded names read so far, with their places.
    std::unordered_map<std::u16string, std::size_t> places;
    LineReader lines(text_.view(), section.begin);
    std::string_view line;
    std::string fault;
    lines.Next(line);
    while (lines.Next(line) && lines.Start() < section.end) {
        if (line.empty() || IsBlank(line) || line[0] == ';' || IsKeyOption(line)) continue;
        auto value = ParseValueLine(lines.Continued(line), fault);
        if (!value) throw WineFileError(path_ + " no longer holds what was read from it: " + fault + ".");
        // A name given twice keeps its first place and its last data, as Wine loads it.
        const auto [place, added] = places.emplace(platform::FoldName(value->name), values.size());
        if (added) {
            values.emplace_back(std::move(value->name), std::move(value->value));
        } else {
            values[place->second].second = std::move(value->value);
        }
    }
    node.values = std::move(values);
}

}  // namespace wine
