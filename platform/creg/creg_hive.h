// A Windows 9x registry file (SYSTEM.DAT, USER.DAT, CLASSES.DAT) as its parts: the CREG
// header, the RGKN key tree of 28-byte entries, and the RGDB blocks of key records. Names
// and strings stay in the file's 8-bit code page here; the tree above converts them.
// Fields whose meaning is not known are kept as they were read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace creg {

// Why bytes are no 9x registry, or why a change cannot be kept in one; the message says
// what is wrong, and the caller adds the file.
class HiveFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A change the format cannot hold (a size, a count or a name beyond Windows 98's limits).
class HiveLimitError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Windows 98's limits, and the format's own.
inline constexpr std::size_t kMaxNameBytes = 255;
inline constexpr std::size_t kMaxValueBytes = 16300;
inline constexpr std::size_t kMaxValuesBytes = 65535;
inline constexpr std::size_t kMaxBlockBytes = 65536;
inline constexpr std::uint32_t kMaxEntries = 65535;
inline constexpr std::uint16_t kNoNumber = 0xFFFF;
inline constexpr std::uint32_t kNoOffset = 0xFFFFFFFF;

struct HiveValue {
    std::string name;
    std::uint32_t type = 0;
    std::string data;
    // The second field of a value, which Windows leaves 0.
    std::uint32_t unknown = 0;
};

struct HiveKey {
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t parent = kNone;
    // The subkeys in the order of the file's list.
    std::vector<std::size_t> children;
    std::string name;
    std::vector<HiveValue> values;
    bool deleted = false;
    // Whether the file keeps a record of the key (its root may have none).
    bool hasRecord = true;
    // Where the file keeps it: the entry's offset in RGKN (0 for a key it does not hold
    // yet), the record's block and number.
    std::uint32_t entryOffset = 0;
    std::uint16_t block = kNoNumber, id = kNoNumber;
    std::uint32_t hash = 0;
    // Fields of unknown meaning: the entry's first and third, the record's fifth.
    std::uint32_t entryUnknown0 = 0, entryUnknown8 = kNoOffset, recordUnknown = 0;
    // The record as read, written back as it was while the key is unchanged; empty once
    // the key changed.
    std::string record;
};

struct HiveBlock {
    // Something in a block: a key's record (by its number; the key holds its bytes) or free
    // space, kept as read.
    struct Slot {
        bool free = false;
        std::uint16_t id = kNoNumber;
        std::string bytes;
    };
    std::array<std::uint8_t, 32> header{};
    std::uint32_t size = 0;
    std::uint16_t number = 0;
    std::vector<Slot> slots;
};

struct Hive {
    std::array<std::uint8_t, 32> header{};
    std::array<std::uint8_t, 32> navigationHeader{};
    // The RGKN area as read, header included: free space and free entries come back as
    // they were.
    std::string navigation;
    // keys[0] is the root.
    std::vector<HiveKey> keys;
    std::vector<HiveBlock> blocks;
};

// A hive with its root key only, which has no record, as the files' roots have none.
Hive NewHive();
// Adds a key below parent (an index of hive.keys) and gives its index.
std::size_t AddKey(Hive& hive, std::size_t parent, std::string name);

// The hash the key tree keeps of a name: the sum of its ASCII bytes, upper-cased.
std::uint32_t NameHash(std::string_view name);

// Reads a whole file; throws HiveFormatError saying why it is no 9x registry, or what in
// it does not add up.
Hive ReadHive(std::string_view bytes);

// How large a new or grown block may be (tests make it small to have many blocks).
struct WriteOptions {
    std::size_t blockBytes = kMaxBlockBytes;
};

// The file's bytes for the hive, every count, size, offset and hash computed. The keys'
// places are updated to where they were written. Throws HiveLimitError when the hive
// does not fit the format.
std::string WriteHive(Hive& hive, const WriteOptions& options = {});

// Checks what a key may hold before it is changed: names and sizes within the limits.
void CheckKeyLimits(const HiveKey& key);

}  // namespace creg
