// Fuzzes the reader of Wine's text registry files: no input may crash or hang it, and a file
// it read must, once changed, be written as text it reads again.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = FilePath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    try {
        wine::WineFileTree tree(path, u".Default");
        const auto batch = tree.BeginBatch();
        const std::uint8_t text[] = {'x', 0, 0, 0};
        const auto base = wine::WineFileTree::kBaseKey;
        const auto found = tree.FindChild(base, u"Fuzz]");
        const platform::NodeId key = found ? *found : tree.CreateChild(base, u"Fuzz]");
        tree.SetValue(key, u"V\"", 1, text, sizeof text);
        // Writing reads the written text again: a throw here is a file we cannot read back.
        try {
            batch->Commit();
        } catch (...) {
            __builtin_trap();
        }
    } catch (const wine::WineFileError&) {
    }
    return 0;
}
