// Writing a 9x registry file from its parts. Unchanged keys keep their records byte for
// byte, their blocks and numbers and their places in the key tree; a changed key is
// written anew in its block while it fits there, else where there is room; new keys go to
// the last block, or to a new one.
#include <algorithm>
#include <map>

#include "platform/creg/creg_hive.h"
#include "platform/creg/hive_bytes.h"

namespace creg {
namespace {

constexpr std::size_t kNavigationGrowth = 0x1000;
// A free record fills what a block does not use; what is shorter than its header is
// folded into the record before it.
constexpr std::uint32_t kFreeUsed = kRecordHeaderBytes;

std::string EncodeRecord(const HiveKey& key, std::uint16_t block, std::uint16_t id) {
    std::string out;
    Append32(out, 0);
    Append16(out, id);
    Append16(out, block);
    Append32(out, 0);
    Append16(out, static_cast<std::uint16_t>(key.name.size()));
    Append16(out, static_cast<std::uint16_t>(key.values.size()));
    Append32(out, key.recordUnknown);
    out += key.name;
    for (const HiveValue& value : key.values) {
        Append32(out, value.type);
        Append32(out, value.unknown);
        Append16(out, static_cast<std::uint16_t>(value.name.size()));
        Append16(out, static_cast<std::uint16_t>(value.data.size()));
        out += value.name;
        out += value.data;
    }
    Put32(out, 0, static_cast<std::uint32_t>(out.size()));
    Put32(out, 8, static_cast<std::uint32_t>(out.size()));
    return out;
}

std::string FreeRecord(std::size_t bytes) {
    std::string out(bytes, '\0');
    Put32(out, 0, static_cast<std::uint32_t>(bytes));
    Put16(out, 4, kNoNumber);
    Put16(out, 6, kNoNumber);
    Put32(out, 8, kFreeUsed);
    return out;
}

// One block as it will be written: its slots, and the keys placed in it.
struct Layout {
    std::uint16_t nextId = 0;
    std::size_t bytes = kBlockHeaderBytes;
};

}  // namespace

Hive NewHive() {
    Hive hive;
    std::copy_n("CREG", 4, hive.header.begin());
    hive.header[6] = 1;
    std::copy_n("RGKN", 4, hive.navigationHeader.begin());
    hive.navigationHeader[8] = static_cast<std::uint8_t>(kNavigationHeaderBytes);
    HiveKey root;
    root.hasRecord = false;
    hive.keys.push_back(std::move(root));
    return hive;
}

std::size_t AddKey(Hive& hive, std::size_t parent, std::string name) {
    HiveKey key;
    key.parent = parent;
    key.name = std::move(name);
    hive.keys.push_back(std::move(key));
    hive.keys[parent].children.push_back(hive.keys.size() - 1);
    return hive.keys.size() - 1;
}

void CheckKeyLimits(const HiveKey& key) {
    if (key.name.size() > kMaxNameBytes) {
        throw HiveLimitError("a key name may be at most " + std::to_string(kMaxNameBytes) +
                             " bytes long in Windows 98; this one is " +
                             std::to_string(key.name.size()));
    }
    if (key.values.size() >= kMaxEntries) {
        throw HiveLimitError("a key may hold at most " + std::to_string(kMaxEntries - 1) +
                             " values");
    }
    std::size_t total = 0;
    for (const HiveValue& value : key.values) {
        if (value.name.size() > kMaxNameBytes) {
            throw HiveLimitError("a value name may be at most " + std::to_string(kMaxNameBytes) +
                                 " bytes long in Windows 98; this one is " +
                                 std::to_string(value.name.size()));
        }
        if (value.data.size() > kMaxValueBytes) {
            throw HiveLimitError("a value may hold at most " + std::to_string(kMaxValueBytes) +
                                 " bytes in Windows 98; this one holds " +
                                 std::to_string(value.data.size()));
        }
        total += kValueHeaderBytes + value.name.size() + value.data.size();
    }
    if (total > kMaxValuesBytes) {
        throw HiveLimitError("the values of one key may take at most " +
                             std::to_string(kMaxValuesBytes) + " bytes in Windows 98; these take " +
                             std::to_string(total));
    }
}

std::string WriteHive(Hive& hive, const WriteOptions& options) {
    const std::size_t blockLimit =
        std::clamp<std::size_t>(options.blockBytes, 0x100, kMaxBlockBytes);
    // Which live key owns each record, so that slots of deleted or moved keys are dropped.
    std::map<std::pair<std::uint16_t, std::uint16_t>, std::size_t> owner;
    std::vector<std::size_t> homeless;
    for (std::size_t k = 0; k < hive.keys.size(); ++k) {
        HiveKey& key = hive.keys[k];
        if (key.deleted || !key.hasRecord) continue;
        CheckKeyLimits(key);
        if (key.block == kNoNumber) {
            homeless.push_back(k);
        } else {
            owner[{key.block, key.id}] = k;
        }
    }
    // Each block's records: kept ones as they were, changed ones anew; a block that would
    // outgrow its limit lets its changed keys go elsewhere.
    std::vector<std::vector<std::string>> contents(hive.blocks.size());
    std::vector<Layout> layouts(hive.blocks.size());
    for (std::size_t b = 0; b < hive.blocks.size(); ++b) {
        HiveBlock& block = hive.blocks[b];
        auto fill = [&](bool keepChanged) {
            contents[b].clear();
            layouts[b] = Layout{};
            std::vector<std::size_t> moved;
            for (const HiveBlock::Slot& slot : block.slots) {
                if (!slot.free)
                    layouts[b].nextId = std::max<std::uint16_t>(
                        layouts[b].nextId, static_cast<std::uint16_t>(slot.id + 1));
                if (slot.free) {
                    // A tail too short for a record is slack, which the block's size
                    // accounts for anew; kept, it would stand before records added after it.
                    if (slot.bytes.size() >= 8) contents[b].push_back(slot.bytes);
                    continue;
                }
                const auto found = owner.find({block.number, slot.id});
                if (found == owner.end()) continue;
                HiveKey& key = hive.keys[found->second];
                if (!key.record.empty()) {
                    contents[b].push_back(key.record);
                } else if (keepChanged) {
                    contents[b].push_back(EncodeRecord(key, block.number, slot.id));
                } else {
                    moved.push_back(found->second);
                }
            }
            for (const auto& part : contents[b]) layouts[b].bytes += part.size();
            return moved;
        };
        fill(true);
        if (layouts[b].bytes > std::max<std::size_t>(blockLimit, block.size)) {
            for (const std::size_t k : fill(false)) {
                owner.erase({hive.keys[k].block, hive.keys[k].id});
                homeless.push_back(k);
            }
        }
    }
    // Keys without a place: into the last block while it has room, else into a new one.
    for (const std::size_t k : homeless) {
        HiveKey& key = hive.keys[k];
        std::string record = EncodeRecord(key, 0, 0);
        if (record.size() + kBlockHeaderBytes > blockLimit &&
            record.size() + kBlockHeaderBytes > kMaxBlockBytes) {
            throw HiveLimitError("the key " + key.name +
                                 " with its values would not fit in a data block");
        }
        const bool room = !hive.blocks.empty() && layouts.back().nextId < kNoNumber &&
                          layouts.back().bytes + record.size() <=
                              std::max<std::size_t>(blockLimit, hive.blocks.back().size);
        if (!room) {
            if (hive.blocks.size() >= kNoNumber) {
                throw HiveLimitError("the file would need more than " + std::to_string(kNoNumber) +
                                     " data blocks");
            }
            HiveBlock block;
            // A new block takes the fields nobody knows from the block before it.
            if (!hive.blocks.empty()) block.header = hive.blocks.back().header;
            std::uint16_t number = 0;
            for (const HiveBlock& other : hive.blocks)
                number =
                    std::max<std::uint16_t>(number, static_cast<std::uint16_t>(other.number + 1));
            block.number = number;
            hive.blocks.push_back(std::move(block));
            contents.emplace_back();
            layouts.emplace_back();
        }
        HiveBlock& block = hive.blocks.back();
        Layout& layout = layouts.back();
        key.block = block.number;
        key.id = layout.nextId++;
        record = EncodeRecord(key, key.block, key.id);
        layout.bytes += record.size();
        HiveBlock::Slot slot;
        slot.id = key.id;
        block.slots.push_back(slot);
        contents.back().push_back(std::move(record));
        owner[{key.block, key.id}] = k;
    }

    // The key tree: kept keys where they were, new keys after the last entry in use.
    std::string navigation = hive.navigation;
    if (navigation.size() < kNavigationHeaderBytes) navigation.assign(kNavigationHeaderBytes, '\0');
    std::copy(hive.navigationHeader.begin(), hive.navigationHeader.end(), navigation.begin());
    navigation.replace(0, 4, "RGKN");
    std::size_t end = kNavigationHeaderBytes;
    for (const HiveKey& key : hive.keys) {
        if (!key.deleted && key.entryOffset)
            end = std::max<std::size_t>(end, key.entryOffset + kEntryBytes);
    }
    std::size_t live = 0;
    for (HiveKey& key : hive.keys) {
        if (key.deleted) {
            if (key.entryOffset && key.entryOffset + kEntryBytes <= navigation.size()) {
                // An entry no list reaches any more, marked as holding nothing.
                std::fill_n(navigation.begin() + key.entryOffset, kEntryBytes, '\xFF');
            }
            key.entryOffset = 0;
            continue;
        }
        ++live;
        if (!key.entryOffset) {
            key.entryOffset = static_cast<std::uint32_t>(end);
            end += kEntryBytes;
            key.hash = NameHash(key.name);
        }
    }
    if (live > kMaxEntries) {
        throw HiveLimitError("the file would hold more than " + std::to_string(kMaxEntries) +
                             " keys");
    }
    // Readers look a header's length past the last entry; the tree grows a page at a time.
    if (end + kNavigationHeaderBytes > navigation.size()) {
        const std::size_t wanted = (end + kNavigationHeaderBytes + kNavigationGrowth - 1) /
                                   kNavigationGrowth * kNavigationGrowth;
        navigation.resize(wanted, '\0');
    }
    for (const HiveKey& key : hive.keys) {
        if (key.deleted) continue;
        const std::size_t at = key.entryOffset;
        Put32(navigation, at, key.entryUnknown0);
        Put32(navigation, at + 4, key.hash);
        Put32(navigation, at + 8, key.entryUnknown8);
        if (key.parent != HiveKey::kNone) {
            Put32(navigation, at + 12, hive.keys[key.parent].entryOffset);
        } else if (hive.navigation.size() < at + kEntryBytes) {
            Put32(navigation, at + 12, kNoOffset);
            Put32(navigation, at + 20, kNoOffset);
        }
        std::uint32_t first = kNoOffset;
        for (auto child = key.children.rbegin(); child != key.children.rend(); ++child) {
            if (hive.keys[*child].deleted) continue;
            Put32(navigation, hive.keys[*child].entryOffset + 20, first);
            first = hive.keys[*child].entryOffset;
        }
        Put32(navigation, at + 16, first);
        Put16(navigation, at + 24, key.hasRecord ? key.id : kNoNumber);
        Put16(navigation, at + 26, key.hasRecord ? key.block : kNoNumber);
    }
    Put32(navigation, 4, static_cast<std::uint32_t>(navigation.size()));
    Put32(navigation, 8, hive.keys.empty() ? kNoOffset : hive.keys[0].entryOffset);
    Put32(navigation, 12, static_cast<std::uint32_t>(end));

    std::string out(hive.header.begin(), hive.header.end());
    if (out.substr(0, 4) != "CREG") {
        out.replace(0, 4, "CREG");
        Put32(out, 4, 0x00010000);
    }
    Put32(out, 8, static_cast<std::uint32_t>(kNavigationAt + navigation.size()));
    Put16(out, 16, static_cast<std::uint16_t>(hive.blocks.size()));
    out += navigation;
    for (std::size_t b = 0; b < hive.blocks.size(); ++b) {
        HiveBlock& block = hive.blocks[b];
        std::size_t used = kBlockHeaderBytes;
        std::size_t lastRecordEnd = kBlockHeaderBytes;
        for (std::size_t s = 0; s < contents[b].size(); ++s) {
            used += contents[b][s].size();
        }
        // What the records leave of the block's size is a free record; a block that grew
        // is as long as its records.
        std::size_t size = block.size >= used ? block.size : used;
        std::size_t slack = size - used;
        if (slack > 0 && slack < kRecordHeaderBytes) {
            size = used;
            slack = 0;
        }
        std::string data(kBlockHeaderBytes, '\0');
        std::copy(block.header.begin(), block.header.end(), data.begin());
        data.replace(0, 4, "RGDB");
        for (const std::string& part : contents[b]) {
            data += part;
            const bool free =
                part.size() < 8 || (Get16(part, 4) == kNoNumber && Get16(part, 6) == kNoNumber);
            if (!free) lastRecordEnd = data.size();
        }
        if (slack) data += FreeRecord(slack);
        Put32(data, 4, static_cast<std::uint32_t>(size));
        Put32(data, 8, static_cast<std::uint32_t>(lastRecordEnd));
        Put16(data, 14, block.number);
        Put32(data, 16, static_cast<std::uint32_t>(size - lastRecordEnd));
        out += data;
    }
    return out;
}

}  // namespace creg
