// Writing a Wine registry file back: the sections a change touched are written anew, every
// other line is kept as it was read, and the file is replaced through a temporary one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/wine/system_fault.h"
#include "platform/wine/wine_file_tree.h"
#include "platform/wine/wine_text.h"

namespace wine {
namespace {

using platform::kTreeTop;
using platform::NodeId;

// The new text as pieces: the old text's untouched sections where they lie, and what was
// written anew for the rest, joined once into a buffer of the exact size.
class Splice {
public:
    explicit Splice(std::string_view old) : old_(old) {}

    void Keep(std::size_t begin, std::size_t end) { Add(false, begin, end - begin); }
    // Where what is written next goes; text to add to it, before calling Fresh.
    std::string& Written() { return written_; }
    // Takes what was added to Written since the last piece.
    void Fresh() { Add(true, writtenUsed_, written_.size() - writtenUsed_); }
    // A blank line between sections, as wineserver writes one before each key line.
    void BlankLine() {
        if (!EndsIn('\n', 1)) written_.push_back('\n');
        if (!EndsIn('\n', 2)) written_.push_back('\n');
        Fresh();
    }
    std::size_t Size() const { return size_; }
    PageBuffer Join() const {
        PageBuffer text(size_);
        std::size_t at = 0;
        for (const Piece& piece : pieces_) {
            const char* from = (piece.written ? written_.data() : old_.data()) + piece.begin;
            std::memcpy(text.data() + at, from, piece.length);
            at += piece.length;
        }
        text.resize(at);
        return text;
    }

private:
    struct Piece {
        bool written;
        std::size_t begin, length;
    };
    void Add(bool written, std::size_t begin, std::size_t length) {
        if (length == 0) return;
        pieces_.push_back({written, begin, length});
        size_ += length;
        if (written) writtenUsed_ = begin + length;
    }
    // Whether the byte back places before the end, counting what is not yet a piece, is c.
    bool EndsIn(char c, std::size_t back) const {
        const std::size_t pending = written_.size() - writtenUsed_;
        if (back <= pending) return written_[written_.size() - back] == c;
        back -= pending;
        for (auto piece = pieces_.rbegin(); piece != pieces_.rend(); ++piece) {
            if (back <= piece->length) {
                const char* from = piece->written ? written_.data() : old_.data();
                return from[piece->begin + piece->length - back] == c;
            }
            back -= piece->length;
        }
        return false;
    }

    std::string_view old_;
    std::vector<Piece> pieces_;
    std::string written_;
    std::size_t writtenUsed_ = 0, size_ = 0;
};

}  // namespace

std::vector<std::u16string> WineFileTree::PathOf(NodeId key) {
    std::vector<std::u16string> path;
    for (NodeId at = key; at != kBaseKey && at != kTreeTop; at = At(at).parent) {
        path.emplace_back(At(at).name);
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
PageBuffer WineFileTree::Render(std::vector<std::pair<std::size_t, NodeId>>& begins) {
    Splice out(text_.view());
    out.Keep(0, headerEnd_);
    begins.clear();
    std::size_t lastEnd = headerEnd_;
    for (const Section& section : state_->sections) {
        if (section.gone) continue;
        if (At(section.node).touched) {
            out.BlankLine();
            begins.emplace_back(out.Size(), section.node);
            RenderSection(section.node, out.Written());
            out.Fresh();
            lastEnd = std::string::npos;
            continue;
        }
        if (section.begin != lastEnd) out.BlankLine();
        begins.emplace_back(out.Size(), section.node);
        out.Keep(section.begin, section.end);
        lastEnd = section.end;
    }
    for (const NodeId key : state_->added) {
        // Wine lists a key without values through its subkeys' lines.
        const Node& node = At(key);
        if (node.values.empty() && !node.children.empty() && !node.className && !node.link) continue;
        out.BlankLine();
        begins.emplace_back(out.Size(), key);
        RenderSection(key, out.Written());
        out.Fresh();
    }
    return out.Join();
}

// What a reading of the text would find: each key's section where Render put it, nothing
// touched or added, and the keys that got no section listed only through their subkeys.
void WineFileTree::Rebase(PageBuffer text,
                          const std::vector<std::pair<std::size_t, NodeId>>& begins) {
    for (auto& [id, node] : state_->nodes) {
        node.section = -1;
        node.touched = false;
    }
    state_->sections.clear();
    state_->sections.reserve(begins.size());
    for (std::size_t i = 0; i < begins.size(); ++i) {
        const std::size_t end = i + 1 < begins.size() ? begins[i + 1].first : text.size();
        state_->sections.push_back({begins[i].first, end, begins[i].second, false});
        At(begins[i].second).section = static_cast<long>(i);
    }
    headerEnd_ = begins.empty() ? text.size() : begins.front().first;
    state_->added.clear();
    state_->changed = false;
    text_ = std::move(text);
    ++generation_;
    // A batch left without a commit after this (a prefix's later file could not be replaced)
    // takes what was written, as after a reading, rather than putting back keys whose
    // sections this replaced.
    ++loads_;
}

bool WineFileTree::PrepareSave() {
    if (!state_->changed) return false;
    DiscardSave();
    PageBuffer text = Render(pendingBegins_);
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
    Rebase(std::move(pendingText_), pendingBegins_);
    pendingText_ = PageBuffer();
    pendingBegins_.clear();
    stamp_ = Stamp();
}

void WineFileTree::DiscardSave() noexcept {
    if (pendingPath_.empty()) return;
    ::unlink(pendingPath_.c_str());
    pendingPath_.clear();
    pendingText_ = PageBuffer();
}

}  // namespace wine
