// The base block at the start of an NT registry hive: checked before the hive is read, and
// asked whether Windows left the hive for its next start to finish.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace regf {

// What the base block says.
struct HiveHeader {
    std::uint32_t primarySequence = 0, secondarySequence = 0;
    // Bytes of hive bins after the 4096 bytes of the base block.
    std::uint32_t binsSize = 0;
};

// Reads and checks the base block of the file at path, whose size is fileSize; throws
// RegfFileError naming the file and what is wrong (truncated, not a hive, a log).
HiveHeader ReadHiveHeader(const std::string& path, std::uint64_t fileSize);

// Why Windows would replay the hive's log before using it, naming what says so; nullopt
// for a hive that was closed cleanly. Dirty is a header whose two sequence numbers differ,
// or a .LOG, .LOG1 or .LOG2 beside it that is newer: a later sequence number in its header,
// or log entries (Windows 8.1 on) numbered from the hive's own sequence number on.
std::optional<std::string> DirtyEvidence(const std::string& path, const HiveHeader& header);

}  // namespace regf
