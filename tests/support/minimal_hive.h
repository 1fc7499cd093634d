// A Windows NT registry hive with nothing but its root key, built from the published
// description of the format: a 4096-byte base block, then one 4096-byte bin holding the
// root key's node, the security cell it points to, and a free cell for the rest.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace testing_support {

namespace hive_detail {

inline void Put16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t value) {
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void PutText(std::vector<std::uint8_t>& out, std::size_t at, const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) out[at + i] = static_cast<std::uint8_t>(text[i]);
}

}  // namespace hive_detail

// Sets the checksum of the base block at the start of bytes: the XOR of its first 127
// double words, where 0 is written as 1 and all ones as 0xFFFFFFFE.
inline void SealHeader(std::vector<std::uint8_t>& bytes) {
    std::uint32_t checksum = 0;
    for (std::size_t at = 0; at < 0x1FC; at += 4) {
        checksum ^= static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 |
                                               bytes[at + 2] << 16 | bytes[at + 3] << 24);
    }
    if (checksum == 0) checksum = 1;
    if (checksum == 0xFFFFFFFF) checksum = 0xFFFFFFFE;
    hive_detail::Put32(bytes, 0x1FC, checksum);
}

// The bytes of an empty hive; sequence numbers as given, equal in a hive closed cleanly.
inline std::vector<std::uint8_t> MinimalHive(std::uint32_t primary = 1, std::uint32_t secondary = 1) {
    using namespace hive_detail;
    constexpr std::size_t kBin = 4096;
    std::vector<std::uint8_t> hive(2 * kBin, 0);
    // Base block.
    PutText(hive, 0, "regf");
    Put32(hive, 0x04, primary);
    Put32(hive, 0x08, secondary);
    Put32(hive, 0x0C, 0xD53E8000);  // last written: 2000-01-01, as a FILETIME
    Put32(hive, 0x10, 0x01BF5300);
    Put32(hive, 0x14, 1);     // major version
    Put32(hive, 0x18, 3);     // minor version
    Put32(hive, 0x1C, 0);     // a primary file
    Put32(hive, 0x20, 1);     // loaded directly into memory
    Put32(hive, 0x24, 0x20);  // the root cell, relative to the first bin
    Put32(hive, 0x28, kBin);  // bytes of bins
    Put32(hive, 0x2C, 1);     // clustering factor
    SealHeader(hive);

    // The bin.
    const std::size_t bin = kBin;
    PutText(hive, bin, "hbin");
    Put32(hive, bin + 0x04, 0);    // its offset from the first bin
    Put32(hive, bin + 0x08, kBin);  // its size

    // The root key's node, named ROOT in ASCII.
    const std::size_t nk = bin + 0x20;
    const std::uint32_t nkSize = 0x58;  // 4 + 0x4C + 4 name bytes, rounded to 8
    Put32(hive, nk, static_cast<std::uint32_t>(-static_cast<std::int32_t>(nkSize)));
    const std::size_t key = nk + 4;
    PutText(hive, key, "nk");
    Put16(hive, key + 0x02, 0x2C);  // hive entry, not to be deleted, ASCII name
    Put32(hive, key + 0x10, 0xFFFFFFFF);  // no parent
    Put32(hive, key + 0x1C, 0xFFFFFFFF);  // no subkeys
    Put32(hive, key + 0x20, 0xFFFFFFFF);  // no volatile subkeys
    Put32(hive, key + 0x28, 0xFFFFFFFF);  // no values
    const std::uint32_t skOffset = 0x20 + nkSize;
    Put32(hive, key + 0x2C, skOffset);
    Put32(hive, key + 0x30, 0xFFFFFFFF);  // no class name
    Put16(hive, key + 0x48, 4);
    PutText(hive, key + 0x4C, "ROOT");

    // The security cell: a self-relative descriptor owned by Administrators, group
    // SYSTEM, whose list lets Everyone do everything to the key and its subkeys.
    const std::vector<std::uint8_t> descriptor = {
        1, 0, 0x04, 0x80, 48, 0, 0, 0, 64, 0, 0, 0, 0, 0, 0, 0, 20, 0, 0, 0,
        // DACL: revision 2, 28 bytes, one entry.
        2, 0, 28, 0, 1, 0, 0, 0,
        0, 0x02, 20, 0, 0x3F, 0x00, 0x0F, 0x00, 1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0,
        // Owner S-1-5-32-544, group S-1-5-18.
        1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0,
        1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
    const std::size_t sk = bin + skOffset;
    const std::uint32_t skSize = static_cast<std::uint32_t>((4 + 0x14 + descriptor.size() + 7) & ~7u);
    Put32(hive, sk, static_cast<std::uint32_t>(-static_cast<std::int32_t>(skSize)));
    PutText(hive, sk + 4, "sk");
    Put32(hive, sk + 4 + 0x04, skOffset);  // the only security cell: its own neighbours
    Put32(hive, sk + 4 + 0x08, skOffset);
    Put32(hive, sk + 4 + 0x0C, 1);         // used by the root key
    Put32(hive, sk + 4 + 0x10, static_cast<std::uint32_t>(descriptor.size()));
    for (std::size_t i = 0; i < descriptor.size(); ++i) hive[sk + 4 + 0x14 + i] = descriptor[i];

    // The rest of the bin is one free cell.
    const std::size_t freeAt = sk + skSize;
    Put32(hive, freeAt, static_cast<std::uint32_t>(bin + kBin - freeAt));
    return hive;
}

// Writes an empty hive to path.
inline void WriteMinimalHive(const std::string& path, std::uint32_t primary = 1,
                             std::uint32_t secondary = 1) {
    const auto bytes = MinimalHive(primary, secondary);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace testing_support
