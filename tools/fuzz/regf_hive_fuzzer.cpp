// Fuzzes the reading of NT registry hives: our reader, walked over the whole hive, and our
// tree over it. No input may crash or hang either; a hive hivex agrees to change must, once
// changed and written back, be read again by our reader with the change: a value set, then
// a key deleted.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/regf/hive_reader.h"
#include "platform/regf/regf_file_tree.h"

namespace {

// One hive in a private folder, rewritten for each input.
const std::string& HivePath() {
    static const std::string path = [] {
        // Each input is written, and changed ones renamed: in memory where there is a tmpfs.
        std::string folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/regf-hive-fuzz-XXXXXX"
                                                            : "/tmp/regf-hive-fuzz-XXXXXX";
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

// Reads every key the reader reaches, with its name and values, up to a bound of keys.
void ReadAll(const regf::HiveReader& reader) {
    std::vector<std::size_t> pending{reader.Root()};
    for (int visited = 0; !pending.empty() && visited < 4096; ++visited) {
        const std::size_t key = pending.back();
        pending.pop_back();
        reader.KeyName(key);
        reader.Values(key);
        for (const std::size_t subkey : reader.Subkeys(key)) pending.push_back(subkey);
    }
}

// Deletes the first subkey of Fuzz that has none of its own, which frees its values, its
// class name and its share of its security cell: once written, its node must be gone.
void DeleteFirstLeaf(regf::RegfFileTree& tree) {
    const auto key = tree.FindChild(regf::RegfFileTree::kBaseKey, u"fuzz");
    if (!key) __builtin_trap();
    for (const auto& name : tree.ChildNames(*key)) {
        const auto leaf = tree.FindChild(*key, name);
        if (!leaf || tree.HasChildren(*leaf)) continue;
        {
            const auto batch = tree.BeginBatch();
            tree.DeleteLeaf(*leaf);
            batch->Commit();
        }
        // hivex writes every other key where it was; a damaged hive may hold a second key
        // of the same name, which is then found in its place.
        regf::RegfFileTree again(HivePath(), u"Software");
        const auto keyAgain = again.FindChild(regf::RegfFileTree::kBaseKey, u"fuzz");
        if (!keyAgain || again.FindChild(*keyAgain, name) == leaf) __builtin_trap();
        return;
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
        ReadAll(regf::HiveReader(path));
    } catch (const regf::RegfFileError&) {
    }
    try {
        regf::RegfFileTree tree(path, u"Software");
        try {
            Walk(tree);
        } catch (const regf::RegfFileError&) {
            // A key we cannot read is no reason not to try a change: hivex checks the hive.
        }
        const std::uint8_t text[] = {'x', 0, 0, 0};
        {
            const auto batch = tree.BeginBatch();
            const auto found = tree.FindChild(regf::RegfFileTree::kBaseKey, u"Fuzz");
            const platform::NodeId key =
                found ? *found : tree.CreateChild(regf::RegfFileTree::kBaseKey, u"Fuzz");
            tree.SetValue(key, u"V", 1, text, sizeof text);
            batch->Commit();
        }
        // What was written is a hive that holds the change, read by the tree (from the
        // mapping it took of the new file) and by a new reader.
        try {
            const auto key = tree.FindChild(regf::RegfFileTree::kBaseKey, u"fuzz");
            if (!key || !tree.FindValue(*key, u"v")) __builtin_trap();
            regf::RegfFileTree again(path, u"Software");
            const auto keyAgain = again.FindChild(regf::RegfFileTree::kBaseKey, u"fuzz");
            if (!keyAgain || !again.FindValue(*keyAgain, u"v")) __builtin_trap();
        } catch (const regf::RegfFileError&) {
            __builtin_trap();
        }
        DeleteFirstLeaf(tree);
    } catch (const regf::RegfFileError&) {
    }
    return 0;
}
