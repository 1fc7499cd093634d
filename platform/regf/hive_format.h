// What every reader of a hive's bytes shares: the layout's fixed sizes, little-endian
// fields, and how an offset is spelled in a message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace regf {

// Offsets in a hive count from its first bin, which follows the base block.
inline constexpr std::size_t kBaseBlockSize = 4096;
inline constexpr std::size_t kBinHeaderSize = 32;
// A value's data is in its entry, not a cell of its own, when this bit of its size is set.
inline constexpr std::uint32_t kDataInEntry = 0x80000000u;

inline std::uint16_t Le16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

inline std::uint32_t Le32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

// A file offset as the hive spells it, from the start of the first bin: "0x20".
inline std::string HiveOffset(std::size_t fileOffset) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%zX", fileOffset - kBaseBlockSize);
    return text;
}

}  // namespace regf
