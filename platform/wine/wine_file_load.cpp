// Reading a Wine registry file into the tree: every line is understood, or nothing changes.
#include <algorithm>

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

}  // namespace

// Reads every line or nothing: the state changes only when the whole text was understood.
// Keys keep the numbers they had before, so that handles survive a reading.
void WineFileTree::Load(std::string text) {
    State fresh;
    // Wine's files run at about two hundred bytes a key: the table is made once.
    fresh.nodes.reserve(text.size() / 128 + 16);
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

    std::vector<std::u16string> lastPath;
    std::vector<NodeId> lastIds;
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
            auto key = ParseKeyLine(line, fault);
            if (!key) refuse(fault);
            // Keys come sorted: the names this path shares with the last one lead to the same
            // keys, found without looking them up again.
            std::size_t shared = 0;
            while (shared < key->path.size() && shared < lastPath.size() &&
                   key->path[shared] == lastPath[shared]) {
                ++shared;
            }
            lastIds.resize(shared);
            current = shared ? lastIds.back() : kBaseKey;
            for (std::size_t i = shared; i < key->path.size(); ++i) {
                current = child(current, key->path[i]);
                lastIds.push_back(current);
            }
            lastPath = std::move(key->path);
            Node& node = fresh.nodes.at(current);
            if (node.section >= 0) refuse("the key is listed a second time");
            // Emptied by swapping, since clear() would wipe every bucket a large key grew.
            if (!sectionValues.empty()) std::unordered_map<std::u16string, std::size_t>().swap(sectionValues);
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

}  // namespace wine
