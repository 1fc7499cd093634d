// Which cells of a hive hivex holds in use, and what its changes will free, checked before
// it frees them. hivex frees the cells of the values a change replaces, and of a deleted
// key, one at a time, following offsets it does not check first: on a damaged hive that
// names one cell twice, or an offset where no cell starts, it ends the program on its own
// assertion, or writes where no cell is. The ledger walks the file's bins as hivex does
// when it opens a hive, and goes through the same frees first, in the same order, on its
// own list of cells, so that such a change is refused before hivex makes it.
//
// Cells hivex makes lie past the end of the file's bins, since hivex only appends: the
// ledger checks the file's own cells, and trusts what hivex made. A change it refuses
// leaves the ledger as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/regf/mapped_file.h"

namespace regf {

// A change the ledger refused, or a file whose bins hivex would not have read: the message
// names the cell and what is wrong with it.
class CellFault : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CellLedger {
public:
    // Maps the hive at path and walks its bins; throws RegfFileError when it cannot be
    // read, CellFault when its bins are not what hivex accepts.
    explicit CellLedger(const std::string& path);

    // Before hivex replaces every value of the key whose node is at key.
    void ReplaceValues(std::size_t key);
    // Before hivex deletes the key at key, which has no subkeys: its values, its share of
    // its security cell, its class name and its node.
    void DeleteLeaf(std::size_t key);
    // Before hivex makes a key under the key at parent, which shares its security cell.
    void AddingChild(std::size_t parent);
    // After hivex made the key at child under it: the child shares the parent's security
    // cell, and when the parent had subkeys, hivex replaced one of its lists.
    void AddedChild(std::size_t parent, std::size_t child, bool hadChildren);

    // Whether a cell of the file starts at offset and is still in use.
    bool InUse(std::size_t offset) const noexcept;
    // Whether the key at key is a key of the file whose values hivex holds as the file
    // does: neither deleted nor given values of hivex's own.
    bool ValuesAsInFile(std::size_t key) const noexcept {
        return InUse(key) && !valuesReplaced_.count(key);
    }

private:
    struct Security {
        std::uint32_t previous, next, references;
    };
    // The frees of one change and what it does to security cells, applied only when every
    // one of them is sound.
    struct Rehearsal {
        std::unordered_set<std::size_t> freed;
        std::unordered_map<std::size_t, Security> security;
    };

    void Walk();
    std::uint32_t Read32(std::size_t offset) const;
    std::size_t CellSize(std::size_t offset) const;
    bool HasSignature(std::size_t offset, const char* signature) const;
    bool Usable(const Rehearsal& rehearsal, std::size_t offset) const;
    // Refuses unless a cell of the file in use starts at offset, not freed by this change.
    void Check(const Rehearsal& rehearsal, std::size_t key, std::size_t offset,
               const char* what) const;
    void Free(Rehearsal& rehearsal, std::size_t key, std::size_t offset, const char* what) const;
    void FreeValues(Rehearsal& rehearsal, std::size_t key) const;
    // One key less shares the security cell at offset; at none, it is unlinked and freed.
    void Release(Rehearsal& rehearsal, std::size_t key, std::size_t offset) const;
    Security SecurityAt(const Rehearsal& rehearsal, std::size_t offset) const;
    std::size_t SecurityOf(std::size_t key) const;
    // The node of a key of the file, which a change reads its fields from.
    void CheckNode(std::size_t key) const;
    void Apply(Rehearsal&& rehearsal);
    [[noreturn]] void Refuse(std::size_t key, const std::string& fault) const;

    MappedFile file_;
    std::size_t end_ = 0;  // the end of the file's last bin, where hivex's own cells begin
    std::vector<bool> inUse_;  // by offset / 4
    // Keys of the file whose values hivex has replaced with its own cells.
    std::unordered_set<std::size_t> valuesReplaced_;
    // Keys of the file whose subkey lists are counted as freed, hivex having replaced one.
    std::unordered_set<std::size_t> listsReplaced_;
    // The security cell of each key hivex made.
    std::unordered_map<std::size_t, std::size_t> madeKeySecurity_;
    // Security cells as changes left them.
    std::unordered_map<std::size_t, Security> security_;
};

}  // namespace regf
