// Fuzzes the reading of NT registry hives through our tree: no input may crash or hang it,
// and a hive it read must, once changed and written back, be read again with the change.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/regf/regf_file_tree.h"

namespace {

// One hive in a private folder, rewritten for each input.
const std::string& HivePath() {
    static const std::string path = [] {
        std::string folder = "/tmp/regf-hive-fuzz-XXXXXX";
        if (!::mkdtemp(folder.data())) std::abort();
        return folder + "/SOFTWARE";
    }();
    return path;
}

// Reads a bounded part of the tree, every value of each key met.
void Walk(regf::RegfFileTree& tree) {
    std::vector<platform::NodeId> pending{regf::RegfFileTree::kBaseKey};
    for (int visited = 0; !pending.empty() && visited < 512; ++visited) {
        const platform::NodeId key = pending.back();
        pending.pop_back();
        tree.Values(key);
        tree.Counts(key);
        for (const auto& name : tree.ChildNames(key)) {
            if (const auto child = tree.FindChild(key, name)) pending.push_back(*child);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = HivePath();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    ::unlink((path + ".vantrel-orig").c_str());
    try {
        regf::RegfFileTree tree(path, u"Software");
        Walk(tree);
        const std::uint8_t text[] = {'x', 0, 0, 0};
        {
            const auto batch = tree.BeginBatch();
            const auto found = tree.FindChild(regf::RegfFileTree::kBaseKey, u"Fuzz");
            const platform::NodeId key =
                found ? *found : tree.CreateChild(regf::RegfFileTree::kBaseKey, u"Fuzz");
            tree.SetValue(key, u"V", 1, text, sizeof text);
            batch->Commit();
        }
        // What was written is a hive that holds the change.
        try {
            regf::RegfFileTree again(path, u"Software");
            const auto key = again.FindChild(regf::RegfFileTree::kBaseKey, u"fuzz");
            if (!key || !again.FindValue(*key, u"v")) __builtin_trap();
        } catch (const regf::RegfFileError&) {
            __builtin_trap();
        }
    } catch (const regf::RegfFileError&) {
    }
    return 0;
}
