// Fuzzes the reader of Wine's text registry files: no input may crash or hang it, and a file
// it read must, once changed, be written as text it reads again, to the same keys and values
// the tree holds; a second change after the first is written the same way.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/wine/wine_file_tree.h"

namespace {

// One file in a private folder, rewritten for each input.
const std::string& FilePath() {
    static const std::string path = [] {
        std::string folder = "/tmp/wine-registry-fuzz-XXXXXX";
        if (!::mkdtemp(folder.data())) std::abort();
        return folder + "/user.reg";
    }();
    return path;
}

// The same keys, in the same order, with the same values, below a key of each tree.
bool SameBelow(wine::WineFileTree& one, platform::NodeId a, wine::WineFileTree& other,
               platform::NodeId b) {
    const auto valuesOf = [](wine::WineFileTree& tree, platform::NodeId key) {
        std::vector<std::pair<std::u16string, std::pair<platform::Dword, std::vector<std::uint8_t>>>> all;
        for (auto& [name, value] : tree.Values(key)) all.push_back({name, {value.type, value.data}});
        return all;
    };
    if (valuesOf(one, a) != valuesOf(other, b)) return false;
    const auto names = one.ChildNames(a);
    if (names != other.ChildNames(b)) return false;
    for (const auto& name : names) {
        if (!SameBelow(one, *one.FindChild(a, name), other, *other.FindChild(b, name))) return false;
    }
    return true;
}

// Writes the tree's change; the file it wrote must read again as the tree holds it.
void CommitAndReadBack(wine::WineFileTree& tree, platform::TreeBatch& batch, const std::string& path) {
    try {
        batch.Commit();
        wine::WineFileTree again(path, u".Default");
        if (!SameBelow(tree, wine::WineFileTree::kBaseKey, again, wine::WineFileTree::kBaseKey)) {
            __builtin_trap();
        }
    } catch (...) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = FilePath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    try {
        wine::WineFileTree tree(path, u".Default");
        const std::uint8_t text[] = {'x', 0, 0, 0};
        const auto base = wine::WineFileTree::kBaseKey;
        {
            const auto batch = tree.BeginBatch();
            const auto found = tree.FindChild(base, u"Fuzz]");
            const platform::NodeId key = found ? *found : tree.CreateChild(base, u"Fuzz]");
            tree.SetValue(key, u"V\"", 1, text, sizeof text);
            CommitAndReadBack(tree, *batch, path);
        }
        // The tree took what it wrote as the file's: a second change lands in its place.
        const auto names = tree.ChildNames(base);
        if (!names.empty()) {
            const auto batch = tree.BeginBatch();
            tree.SetValue(*tree.FindChild(base, names.front()), u"_second", 1, text, sizeof text);
            CommitAndReadBack(tree, *batch, path);
        }
    } catch (const wine::WineFileError&) {
    }
    return 0;
}
