// A Windows NT registry hive laid out cell by cell from a description of its keys, for the
// shapes hivex never writes itself: indexes of subkey lists (ri), li and lf lists, names in
// UTF-16, big data split in segments, several bins. Where each cell went is kept, so that
// a test can damage one field of one cell.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "minimal_hive.h"

namespace testing_support {

enum class SubkeyList { Li, Lf, Lh, Ri };

struct ValuePlan {
    std::u16string name;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    bool latin1Name = true;
};

struct KeyPlan {
    std::u16string name;
    std::vector<KeyPlan> subkeys;
    std::vector<ValuePlan> values;
    SubkeyList list = SubkeyList::Lh;
    bool latin1Name = true;
};

// A built hive, and its cells as offsets from the first bin: keys by their path below the
// root ("" for the root, "A\\B"), subkey lists and value lists by their key's path.
struct BuiltHive {
    std::vector<std::uint8_t> bytes;
    std::map<std::u16string, std::uint32_t> keys, lists, valueLists;

    // Where a field of the cell at offset is in the file.
    static std::size_t Field(std::uint32_t cell, std::size_t field) { return 4096 + cell + 4 + field; }
    std::uint32_t Get32(std::size_t at) const {
        return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
                                          bytes[at + 3] << 24);
    }
    void Put32(std::size_t at, std::uint32_t value) { hive_detail::Put32(bytes, at, value); }
    void Put16(std::size_t at, std::uint16_t value) { hive_detail::Put16(bytes, at, value); }
    std::string Text() const { return std::string(bytes.begin(), bytes.end()); }
};

namespace hive_detail {

class Builder {
public:
    BuiltHive Build(const KeyPlan& root) {
        const std::uint32_t rootCell = AddKey(root, 0xFFFFFFFF, u"", true);
        CloseBin();
        BuiltHive hive = std::move(built_);
        hive.bytes.assign(4096, 0);
        PutText(hive.bytes, 0, "regf");
        Put32(hive.bytes, 0x04, 1);
        Put32(hive.bytes, 0x08, 1);
        Put32(hive.bytes, 0x14, 1);
        Put32(hive.bytes, 0x18, 5);
        Put32(hive.bytes, 0x20, 1);
        Put32(hive.bytes, 0x24, rootCell);
        Put32(hive.bytes, 0x28, static_cast<std::uint32_t>(bins_.size()));
        Put32(hive.bytes, 0x2C, 1);
        SealHeader(hive.bytes);
        hive.bytes.insert(hive.bytes.end(), bins_.begin(), bins_.end());
        return hive;
    }

private:
    static constexpr std::size_t kSegment = 16344;

    // A cell of size bytes of data, in the current bin when it fits, else in a new bin
    // large enough for it.
    std::uint32_t Allocate(std::size_t size) {
        const std::size_t cellSize = (size + 4 + 7) & ~std::size_t{7};
        if (binStart_ == kNone || binEnd_ - used_ < cellSize) {
            CloseBin();
            binStart_ = bins_.size();
            const std::size_t binSize = (cellSize + 32 + 4095) & ~std::size_t{4095};
            bins_.resize(binStart_ + binSize, 0);
            PutText(bins_, binStart_, "hbin");
            Put32(bins_, binStart_ + 4, static_cast<std::uint32_t>(binStart_));
            Put32(bins_, binStart_ + 8, static_cast<std::uint32_t>(binSize));
            used_ = binStart_ + 32;
            binEnd_ = binStart_ + binSize;
        }
        const std::size_t at = used_;
        Put32(bins_, at, static_cast<std::uint32_t>(-static_cast<std::int32_t>(cellSize)));
        used_ += cellSize;
        return static_cast<std::uint32_t>(at);
    }
    // The rest of the bin is one free cell.
    void CloseBin() {
        if (binStart_ != kNone && used_ < binEnd_) {
            Put32(bins_, used_, static_cast<std::uint32_t>(binEnd_ - used_));
        }
    }
    std::uint8_t* Data(std::uint32_t cell) { return &bins_[cell + 4]; }
    void Set32(std::uint32_t cell, std::size_t field, std::uint32_t value) {
        Put32(bins_, cell + 4 + field, value);
    }
    void Set16(std::uint32_t cell, std::size_t field, std::uint16_t value) {
        Put16(bins_, cell + 4 + field, value);
    }
    static std::vector<std::uint8_t> NameBytes(const std::u16string& name, bool latin1) {
        std::vector<std::uint8_t> bytes;
        for (const char16_t unit : name) {
            bytes.push_back(static_cast<std::uint8_t>(unit));
            if (!latin1) bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
        }
        return bytes;
    }
    std::uint32_t Write(std::string_view signature, const std::vector<std::uint8_t>& tail) {
        const std::uint32_t cell = Allocate(2 + tail.size());
        Data(cell)[0] = static_cast<std::uint8_t>(signature[0]);
        Data(cell)[1] = static_cast<std::uint8_t>(signature[1]);
        std::copy(tail.begin(), tail.end(), Data(cell) + 2);
        return cell;
    }
    static void Append32(std::vector<std::uint8_t>& out, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    static std::uint32_t Hash(const std::u16string& name) {
        std::uint32_t hash = 0;
        for (const char16_t unit : name) {
            hash = hash * 37 + (unit >= u'a' && unit <= u'z' ? unit - 32 : unit);
        }
        return hash;
    }
    std::uint32_t List(SubkeyList kind, const std::vector<std::pair<std::uint32_t, std::u16string>>& entries) {
        std::vector<std::uint8_t> tail;
        tail.push_back(static_cast<std::uint8_t>(entries.size()));
        tail.push_back(static_cast<std::uint8_t>(entries.size() >> 8));
        for (const auto& [cell, name] : entries) {
            Append32(tail, cell);
            if (kind == SubkeyList::Lf) {
                std::uint32_t hint = 0;
                for (std::size_t i = 0; i < 4 && i < name.size(); ++i) {
                    hint |= static_cast<std::uint32_t>(name[i] & 0xFF) << (8 * i);
                }
                Append32(tail, hint);
            } else if (kind == SubkeyList::Lh) {
                Append32(tail, Hash(name));
            }
        }
        return Write(kind == SubkeyList::Li ? "li" : kind == SubkeyList::Lf ? "lf" : "lh", tail);
    }
    std::uint32_t WriteData(const std::vector<std::uint8_t>& bytes) {
        if (bytes.size() <= kSegment) {
            const std::uint32_t cell = Allocate(bytes.size());
            std::copy(bytes.begin(), bytes.end(), Data(cell));
            return cell;
        }
        std::vector<std::uint8_t> list;
        std::uint16_t segments = 0;
        for (std::size_t at = 0; at < bytes.size(); at += kSegment, ++segments) {
            const std::size_t size = std::min(kSegment, bytes.size() - at);
            const std::uint32_t cell = Allocate(size);
            std::copy(bytes.begin() + static_cast<long>(at),
                      bytes.begin() + static_cast<long>(at + size), Data(cell));
            Append32(list, cell);
        }
        const std::uint32_t listCell = Allocate(list.size());
        std::copy(list.begin(), list.end(), Data(listCell));
        std::vector<std::uint8_t> tail{static_cast<std::uint8_t>(segments),
                                       static_cast<std::uint8_t>(segments >> 8)};
        Append32(tail, listCell);
        return Write("db", tail);
    }
    std::uint32_t AddValue(const ValuePlan& value) {
        const auto name = NameBytes(value.name, value.latin1Name);
        std::vector<std::uint8_t> tail(0x12 + name.size(), 0);
        const std::uint32_t cell = Write("vk", tail);
        Set16(cell, 0x02, static_cast<std::uint16_t>(name.size()));
        Set32(cell, 0x0C, value.type);
        Set16(cell, 0x10, value.latin1Name ? 1 : 0);
        std::copy(name.begin(), name.end(), Data(cell) + 0x14);
        if (value.data.size() <= 4) {
            Set32(cell, 0x04, 0x80000000u | static_cast<std::uint32_t>(value.data.size()));
            std::copy(value.data.begin(), value.data.end(), Data(cell) + 0x08);
        } else {
            const std::uint32_t data = WriteData(value.data);
            Set32(cell, 0x04, static_cast<std::uint32_t>(value.data.size()));
            Set32(cell, 0x08, data);
        }
        return cell;
    }
    std::uint32_t AddKey(const KeyPlan& key, std::uint32_t parent, const std::u16string& path,
                         bool root) {
        const auto name = NameBytes(key.name, key.latin1Name);
        const std::uint32_t cell = Write("nk", std::vector<std::uint8_t>(0x4A + name.size(), 0));
        built_.keys[path] = cell;
        Set16(cell, 0x02, static_cast<std::uint16_t>((key.latin1Name ? 0x20 : 0) | (root ? 0x0C : 0)));
        Set32(cell, 0x10, parent);
        for (const std::size_t field : {0x1C, 0x20, 0x28, 0x2C, 0x30}) Set32(cell, field, 0xFFFFFFFF);
        Set16(cell, 0x48, static_cast<std::uint16_t>(name.size()));
        std::copy(name.begin(), name.end(), Data(cell) + 0x4C);
        std::vector<std::pair<std::uint32_t, std::u16string>> children;
        for (const KeyPlan& subkey : key.subkeys) {
            const std::u16string below = path.empty() ? subkey.name : path + u"\\" + subkey.name;
            children.emplace_back(AddKey(subkey, cell, below, false), subkey.name);
        }
        if (!children.empty()) {
            std::uint32_t list = 0;
            if (key.list == SubkeyList::Ri) {
                const std::size_t half = (children.size() + 1) / 2;
                const std::uint32_t first = List(SubkeyList::Lh, {children.begin(), children.begin() + static_cast<long>(half)});
                std::vector<std::uint8_t> tail{0, 0};
                Append32(tail, first);
                if (half < children.size()) {
                    Append32(tail, List(SubkeyList::Lh, {children.begin() + static_cast<long>(half), children.end()}));
                }
                tail[0] = half < children.size() ? 2 : 1;
                list = Write("ri", tail);
            } else {
                list = List(key.list, children);
            }
            built_.lists[path] = list;
            Set32(cell, 0x14, static_cast<std::uint32_t>(children.size()));
            Set32(cell, 0x1C, list);
        }
        if (!key.values.empty()) {
            std::vector<std::uint8_t> offsets;
            for (const ValuePlan& value : key.values) Append32(offsets, AddValue(value));
            const std::uint32_t list = Allocate(offsets.size());
            std::copy(offsets.begin(), offsets.end(), Data(list));
            built_.valueLists[path] = list;
            Set32(cell, 0x24, static_cast<std::uint32_t>(key.values.size()));
            Set32(cell, 0x28, list);
        }
        return cell;
    }

    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    BuiltHive built_;
    std::vector<std::uint8_t> bins_;
    std::size_t binStart_ = kNone, used_ = 0, binEnd_ = 0;
};

}  // namespace hive_detail

// Lays out the hive whose root key is root.
inline BuiltHive BuildHive(const KeyPlan& root) { return hive_detail::Builder().Build(root); }

}  // namespace testing_support
