// Little-endian fields of a 9x registry file, read with bounds checked by the caller.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace creg {

inline std::uint16_t Get16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      static_cast<unsigned char>(bytes[at + 1]) << 8);
}

inline std::uint32_t Get32(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(Get16(bytes, at)) |
           static_cast<std::uint32_t>(Get16(bytes, at + 2)) << 16;
}

inline void Put16(std::string& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<char>(value & 0xFF);
    bytes[at + 1] = static_cast<char>(value >> 8);
}

inline void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    Put16(bytes, at, static_cast<std::uint16_t>(value & 0xFFFF));
    Put16(bytes, at + 2, static_cast<std::uint16_t>(value >> 16));
}

inline void Append16(std::string& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<char>(value & 0xFF));
    bytes.push_back(static_cast<char>(value >> 8));
}

inline void Append32(std::string& bytes, std::uint32_t value) {
    Append16(bytes, static_cast<std::uint16_t>(value & 0xFFFF));
    Append16(bytes, static_cast<std::uint16_t>(value >> 16));
}

// Sizes of the format's parts.
inline constexpr std::size_t kFileHeaderBytes = 0x20;
inline constexpr std::size_t kNavigationAt = 0x20;
inline constexpr std::size_t kNavigationHeaderBytes = 0x20;
inline constexpr std::size_t kEntryBytes = 28;
inline constexpr std::size_t kBlockHeaderBytes = 0x20;
inline constexpr std::size_t kRecordHeaderBytes = 0x14;
inline constexpr std::size_t kValueHeaderBytes = 0x0C;

}  // namespace creg
