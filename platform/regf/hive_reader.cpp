#include "platform/regf/hive_reader.h"

#include <algorithm>
#include <cstring>

#include "platform/regf/hive_format.h"
#include "platform/regf/regf_error.h"

namespace regf {
namespace {

constexpr std::size_t kBinAlignment = 4096;
// Bytes before a key's name in its node, and before a value's name in its entry.
constexpr std::size_t kKeyNameAt = 0x4C;
constexpr std::size_t kValueNameAt = 0x14;
// What one segment of a value's big data holds, whatever the size of its cell.
constexpr std::size_t kSegmentBytes = 16344;
constexpr std::uint16_t kKeyNameIsLatin1 = 0x0020;
constexpr std::uint16_t kValueNameIsLatin1 = 0x0001;

bool Signed(const std::uint8_t* bytes, const char* signature) {
    return bytes[0] == static_cast<std::uint8_t>(signature[0]) &&
           bytes[1] == static_cast<std::uint8_t>(signature[1]);
}

// A name stored in single bytes (Latin-1) or in UTF-16LE units.
bool DecodeName(const std::uint8_t* bytes, std::size_t size, bool latin1, std::u16string& into) {
    if (latin1) {
        into.assign(bytes, bytes + size);
        return true;
    }
    if (size % 2 != 0) return false;
    into.resize(size / 2);
    for (std::size_t i = 0; i < into.size(); ++i) into[i] = Le16(bytes + 2 * i);
    return true;
}

}  // namespace

HiveReader::HiveReader(const std::string& path) : path_(path), file_(path) {
    const std::uint8_t* base = file_.Data();
    if (file_.Size() < kBaseBlockSize + kBinHeaderSize || std::memcmp(base, "regf", 4) != 0) {
        Damaged("no longer holds a hive's header");
    }
    end_ = kBaseBlockSize + static_cast<std::size_t>(Le32(base + 0x28));
    if (end_ > file_.Size()) {
        throw RegfFileError(RegfFileError::Kind::Damaged,
                            path_ + " is truncated: its header counts more bytes of hive bins "
                                    "than the file holds.");
    }
    root_ = kBaseBlockSize + static_cast<std::size_t>(Le32(base + 0x24));
    if (!IsKey(root_)) {
        throw RegfFileError(RegfFileError::Kind::Damaged,
                            path_ + " has no root key: its header points to " + HiveOffset(root_) +
                                ", where no key is.");
    }
}

void HiveReader::Damaged(const std::string& fault) const {
    throw RegfFileError(RegfFileError::Kind::Damaged, path_ + " is damaged: " + fault + ".");
}

// Bins start on 4096-byte boundaries, so the bin holding a cell is found by looking back
// from the boundary below it, without walking the bins before it.
std::string HiveReader::BinFault(std::size_t at, std::size_t size) const {
    const std::uint8_t* base = file_.Data();
    for (std::size_t bin = kBaseBlockSize + (at - kBaseBlockSize) / kBinAlignment * kBinAlignment;
         bin >= kBaseBlockSize; bin -= kBinAlignment) {
        if (bin + kBinHeaderSize <= end_ && std::memcmp(base + bin, "hbin", 4) == 0 &&
            Le32(base + bin + 4) == bin - kBaseBlockSize) {
            const std::size_t binSize = Le32(base + bin + 8);
            if (binSize < kBinHeaderSize || binSize > end_ - bin) {
                return "the bin at " + HiveOffset(bin) + " counts " + std::to_string(binSize) +
                       " bytes, which do not fit the hive";
            }
            if (at < bin + kBinHeaderSize || at >= bin + binSize) {
                return "the cell at " + HiveOffset(at) + " lies in no bin";
            }
            if (size > bin + binSize - at) {
                return "the cell at " + HiveOffset(at) + " runs past the end of its bin";
            }
            lastBin_ = bin;
            lastBinEnd_ = bin + binSize;
            return {};
        }
        if (bin == kBaseBlockSize) break;
    }
    return "the cell at " + HiveOffset(at) + " lies in no bin";
}

HiveReader::Cell HiveReader::CellAt(std::size_t at, const char* signature, const char* what) const {
    if (at < kBaseBlockSize + kBinHeaderSize || at % 4 != 0 || at + 8 > end_) {
        Damaged(std::string(what) + " is at " + HiveOffset(at) + ", outside the hive's cells");
    }
    const auto raw = static_cast<std::int32_t>(Le32(file_.Data() + at));
    if (raw >= 0) Damaged(std::string(what) + " at " + HiveOffset(at) + " is in a free cell");
    const std::int64_t size = -static_cast<std::int64_t>(raw);
    if (size < 8 || static_cast<std::uint64_t>(size) > end_ - at) {
        Damaged("the cell of " + std::string(what) + " at " + HiveOffset(at) + " counts " +
                std::to_string(size) + " bytes, which do not fit the hive");
    }
    const auto cellSize = static_cast<std::size_t>(size);
    const bool inLastBin = at >= lastBin_ + kBinHeaderSize && at < lastBinEnd_ &&
                           cellSize <= lastBinEnd_ - at;
    if (!inLastBin) {
        if (const std::string fault = BinFault(at, cellSize); !fault.empty()) Damaged(fault);
    }
    const Cell cell{file_.Data() + at + 4, static_cast<std::size_t>(size) - 4};
    if (signature && !Signed(cell.data, signature)) {
        Damaged(std::string(what) + " at " + HiveOffset(at) + " is no \"" + signature + "\" cell");
    }
    return cell;
}

HiveReader::Cell HiveReader::Follow(std::uint32_t offset, const char* signature,
                                    const char* what) const {
    return CellAt(kBaseBlockSize + static_cast<std::size_t>(offset), signature, what);
}

HiveReader::Cell HiveReader::Key(std::size_t key) const {
    const Cell cell = CellAt(key, "nk", "a key");
    if (cell.size < kKeyNameAt + Le16(cell.data + 0x48)) {
        Damaged("the name of the key at " + HiveOffset(key) + " runs past its cell");
    }
    return cell;
}

bool HiveReader::IsKey(std::size_t key) const noexcept {
    try {
        Key(key);
        return true;
    } catch (const RegfFileError&) {
        return false;
    }
}

std::u16string HiveReader::KeyName(std::size_t key) const {
    const Cell node = Key(key);
    std::u16string name;
    if (!DecodeName(node.data + kKeyNameAt, Le16(node.data + 0x48),
                    (Le16(node.data + 2) & kKeyNameIsLatin1) != 0, name)) {
        Damaged("the name of the key at " + HiveOffset(key) + " is an odd number of bytes of UTF-16");
    }
    return name;
}

std::vector<std::size_t> HiveReader::Subkeys(std::size_t key) const {
    const Cell node = Key(key);
    const std::uint32_t count = Le32(node.data + 0x14);
    std::vector<std::size_t> subkeys;
    if (count == 0) return subkeys;
    ListInto(Le32(node.data + 0x1C), key, false, subkeys);
    if (subkeys.size() != count) {
        Damaged("the key at " + HiveOffset(key) + " counts " + std::to_string(count) +
                " subkeys, its lists hold " + std::to_string(subkeys.size()));
    }
    return subkeys;
}

// A list of subkeys (li: offsets; lf, lh: offsets with a hint each) or an index of such
// lists (ri), which holds no other index.
void HiveReader::ListInto(std::uint32_t list, std::size_t key, bool inIndex,
                          std::vector<std::size_t>& into) const {
    const Cell cell = CellAt(kBaseBlockSize + list, nullptr, "a subkey list");
    const bool index = Signed(cell.data, "ri");
    std::size_t entry = 0;
    if (Signed(cell.data, "li") || index) {
        entry = 4;
    } else if (Signed(cell.data, "lf") || Signed(cell.data, "lh")) {
        entry = 8;
    } else {
        Damaged("the subkey list of the key at " + HiveOffset(key) + " is no li, lf, lh or ri list");
    }
    if (index && inIndex) {
        Damaged("an index of subkey lists of the key at " + HiveOffset(key) + " holds another index");
    }
    const std::size_t count = Le16(cell.data + 2);
    if (4 + count * entry > cell.size) {
        Damaged("a subkey list of the key at " + HiveOffset(key) + " counts " + std::to_string(count) +
                " entries, more than its cell holds");
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t offset = Le32(cell.data + 4 + i * entry);
        if (index) {
            ListInto(offset, key, true, into);
            continue;
        }
        const std::size_t subkey = kBaseBlockSize + offset;
        const Cell child = Key(subkey);
        if (subkey == root_ || kBaseBlockSize + Le32(child.data + 0x10) != key) {
            Damaged("the subkey at " + HiveOffset(subkey) + " of the key at " + HiveOffset(key) +
                    " names another key as its parent");
        }
        into.push_back(subkey);
    }
}

template <typename Visit>
void HiveReader::ForEachValue(std::size_t key, Visit&& visit) const {
    const Cell node = Key(key);
    const std::uint32_t count = Le32(node.data + 0x24);
    if (count == 0) return;
    const Cell list = Follow(Le32(node.data + 0x28), nullptr, "a value list");
    if (count > list.size / 4) {
        Damaged("the value list of the key at " + HiveOffset(key) + " counts " + std::to_string(count) +
                " values, more than its cell holds");
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t offset = Le32(list.data + 4 * i);
        const Cell entry = Follow(offset, "vk", "a value");
        const std::size_t at = kBaseBlockSize + offset;
        if (entry.size < kValueNameAt || entry.size - kValueNameAt < Le16(entry.data + 2)) {
            Damaged("the name of the value at " + HiveOffset(at) + " runs past its cell");
        }
        visit(entry, at, count);
    }
}

std::u16string HiveReader::ValueName(const Cell& entry, std::size_t at) const {
    std::u16string name;
    if (!DecodeName(entry.data + kValueNameAt, Le16(entry.data + 2),
                    (Le16(entry.data + 0x10) & kValueNameIsLatin1) != 0, name)) {
        Damaged("the name of the value at " + HiveOffset(at) + " is an odd number of bytes of UTF-16");
    }
    return name;
}

std::vector<HiveValue> HiveReader::Values(std::size_t key) const {
    std::vector<HiveValue> values;
    ForEachValue(key, [&](const Cell& entry, std::size_t at, std::uint32_t count) {
        values.reserve(count);
        HiveValue value{ValueName(entry, at), Le32(entry.data + 0x0C), {}};
        DataOf(entry, at, &value.data);
        values.push_back(std::move(value));
    });
    return values;
}

HiveValueCounts HiveReader::ValueCounts(std::size_t key) const {
    HiveValueCounts counts;
    ForEachValue(key, [&](const Cell& entry, std::size_t at, std::uint32_t) {
        ++counts.values;
        const std::uint32_t nameSize = Le16(entry.data + 2);
        const bool latin1 = (Le16(entry.data + 0x10) & kValueNameIsLatin1) != 0;
        if (!latin1 && nameSize % 2 != 0) {
            Damaged("the name of the value at " + HiveOffset(at) + " is an odd number of bytes of UTF-16");
        }
        const std::uint32_t length = latin1 ? nameSize : nameSize / 2;
        const auto size = static_cast<std::uint32_t>(DataOf(entry, at, nullptr));
        counts.maxNameLength = std::max(counts.maxNameLength, length);
        counts.maxDataSize = std::max(counts.maxDataSize, size);
    });
    return counts;
}

// Up to four bytes are kept in the value's entry; more in a cell of their own, or, when
// they do not fit one, in segments listed by a big data cell (db).
std::size_t HiveReader::DataOf(const Cell& entry, std::size_t at,
                              std::vector<std::uint8_t>* into) const {
    const std::uint32_t counted = Le32(entry.data + 4);
    const std::uint32_t offset = Le32(entry.data + 8);
    if (counted & kDataInEntry) {
        const std::size_t size = counted & ~kDataInEntry;
        if (size > 4) {
            Damaged("the value at " + HiveOffset(at) + " counts " + std::to_string(size) +
                    " bytes of data kept in its entry, which holds 4");
        }
        if (into) into->assign(entry.data + 8, entry.data + 8 + size);
        return size;
    }
    const std::size_t size = counted;
    if (size == 0) return 0;
    if (size > end_ - kBaseBlockSize) {
        Damaged("the value at " + HiveOffset(at) + " counts " + std::to_string(size) +
                " bytes of data, more than the hive holds");
    }
    const Cell data = Follow(offset, nullptr, "the data of a value");
    if (size <= data.size) {
        if (into) into->assign(data.data, data.data + size);
        return size;
    }
    if (data.size < 8 || !Signed(data.data, "db")) {
        Damaged("the data of the value at " + HiveOffset(at) + " counts " + std::to_string(size) +
                " bytes, more than its cell holds");
    }
    const std::size_t segments = Le16(data.data + 2);
    const Cell list = Follow(Le32(data.data + 4), nullptr, "a list of data segments");
    if (segments > list.size / 4) {
        Damaged("the big data of the value at " + HiveOffset(at) + " counts " +
                std::to_string(segments) + " segments, more than its list holds");
    }
    if (into) into->reserve(size);
    std::size_t found = 0;
    for (std::size_t i = 0; i < segments && found < size; ++i) {
        const Cell segment = Follow(Le32(list.data + 4 * i), nullptr, "a segment of data");
        const std::size_t take = std::min(kSegmentBytes, size - found);
        if (segment.size < take) {
            Damaged("segment " + std::to_string(i) + " of the data of the value at " + HiveOffset(at) +
                    " is shorter than its part of the data");
        }
        if (into) into->insert(into->end(), segment.data, segment.data + take);
        found += take;
    }
    if (found != size) {
        Damaged("the " + std::to_string(segments) + " segments of the data of the value at " +
                HiveOffset(at) + " hold fewer than its " + std::to_string(size) + " bytes");
    }
    return size;
}

}  // namespace regf
