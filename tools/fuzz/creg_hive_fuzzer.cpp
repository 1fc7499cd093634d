// Fuzzes the reader of Windows 9x registry files: no input may crash or hang it, and a file
// it read must, once changed, be written as a file it reads again.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/creg/creg_file_tree.h"

namespace {

// One file in a private folder, rewritten for each input.
const std::string& FilePath() {
    static const std::string path = [] {
        // Each input is written, flushed and renamed: in memory where there is a tmpfs.
        std::string folder =
            ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/creg-fuzz-XXXXXX" : "/tmp/creg-fuzz-XXXXXX";
        if (!::mkdtemp(folder.data())) std::abort();
        return folder + "/SYSTEM.DAT";
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
        creg::CregFileTree tree(path, u"HKEY_LOCAL_MACHINE", creg::HiveText(1252),
                                creg::WriteOptions{0x400});
        const auto batch = tree.BeginBatch();
        const auto root = creg::CregFileTree::kRootKey;
        for (const auto& name : tree.ChildNames(root)) {
            if (const auto child = tree.FindChild(root, name)) tree.Values(*child);
        }
        const auto found = tree.FindChild(root, u"Fuzz");
        const platform::NodeId key = found ? *found : tree.CreateChild(root, u"Fuzz");
        const std::uint8_t text[] = {'x', 0, 0, 0};
        tree.SetValue(key, u"V", 1, text, sizeof text);
        // Writing reads the written file again: a throw here is a file we cannot read back,
        // unless the file was already past what the format can hold.
        try {
            batch->Commit();
        } catch (const creg::CregLimitError&) {
        } catch (...) {
            __builtin_trap();
        }
    } catch (const creg::CregFileError&) {
    } catch (const creg::CregLimitError&) {
    }
    // The kept original of the first change goes too, so that every input makes one.
    ::unlink((path.substr(0, path.size() - 4) + ".VE0").c_str());
    return 0;
}
