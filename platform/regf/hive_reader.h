// Reading a Windows NT registry hive in place: the file is mapped, and a read touches only
// the cells it needs (the key's node, its subkey lists, its value list, the values and
// their data), so that opening a large hive costs what reading its base block costs.
// Keys are named by the offset of their node in the file, as hivex names them, so that a
// key read here is the same key in hivex's handle of the same file. Every offset, size and
// count followed is checked against the cell and bin that hold it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/regf/mapped_file.h"

namespace regf {

// A value as the hive holds it.
struct HiveValue {
    std::u16string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

// How many values a key has, its longest value name (UTF-16 units) and largest data.
struct HiveValueCounts {
    std::uint32_t values = 0, maxNameLength = 0, maxDataSize = 0;
};

class HiveReader {
public:
    // Maps the hive at path, whose base block ReadHiveHeader has checked; throws
    // RegfFileError naming the file when it cannot be read or has no root key.
    explicit HiveReader(const std::string& path);

    // The root key's node.
    std::size_t Root() const noexcept { return root_; }
    // Whether a key's node is in use at offset: false for a key deleted since.
    bool IsKey(std::size_t key) const noexcept;
    std::u16string KeyName(std::size_t key) const;
    // The key's subkeys, in the order of its lists; each is checked to name key as its
    // parent, so that no walk of the tree comes back to a key it passed.
    std::vector<std::size_t> Subkeys(std::size_t key) const;
    // The key's values, in the order of its value list.
    std::vector<HiveValue> Values(std::size_t key) const;
    // What Values would list, checked as it checks them, without copying any data.
    HiveValueCounts ValueCounts(std::size_t key) const;

private:
    struct Cell {
        const std::uint8_t* data;
        std::size_t size;  // bytes after the cell's size field
    };
    // The allocated cell at a file offset, lying in one bin, whose data starts with
    // signature (when given); throws naming what the cell was for.
    Cell CellAt(std::size_t at, const char* signature, const char* what) const;
    // The same for an offset as the hive spells it, from the start of the first bin.
    Cell Follow(std::uint32_t offset, const char* signature, const char* what) const;
    // Whether the cell at a file offset lies inside one bin: an empty string, else the fault;
    // the bin found is kept as the last bin.
    std::string BinFault(std::size_t at, std::size_t size) const;
    Cell Key(std::size_t key) const;
    void ListInto(std::uint32_t list, std::size_t key, bool inIndex,
                  std::vector<std::size_t>& into) const;
    // Calls with each entry of the key's value list and its file offset.
    template <typename Visit>
    void ForEachValue(std::size_t key, Visit&& visit) const;
    // Throws when the name is an odd number of bytes of UTF-16.
    std::u16string ValueName(const Cell& entry, std::size_t at) const;
    // The size of the data of the value whose entry is at the file offset at, once every
    // cell that holds it is checked; the data is appended to into when it is given.
    std::size_t DataOf(const Cell& entry, std::size_t at, std::vector<std::uint8_t>* into) const;
    [[noreturn]] void Damaged(const std::string& fault) const;

    std::string path_;
    MappedFile file_;
    std::size_t end_ = 0;  // the end of the last bin
    std::size_t root_ = 0;
    // The bin the last cell was found in: cells read together are mostly in one bin.
    mutable std::size_t lastBin_ = 0, lastBinEnd_ = 0;
};

}  // namespace regf
