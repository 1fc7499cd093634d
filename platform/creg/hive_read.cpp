// Reading a 9x registry file into its parts. Nothing is trusted: every count, size and
// offset is checked against the bytes around it, and the key tree is walked without
// recursion, each entry once.
#include <algorithm>
#include <map>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/creg/creg_hive.h"
#include "platform/creg/hive_bytes.h"

namespace creg {
namespace {

std::string Hex(std::uint64_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    do {
        text.insert(text.begin(), kDigits[value & 15]);
        value >>= 4;
    } while (value);
    return "0x" + text;
}

[[noreturn]] void Refuse(const std::string& why) { throw HiveFormatError(why); }

// A key's record: its name and values, from the record's bytes.
void ReadRecord(std::string_view record, std::size_t at, HiveKey& key) {
    const std::uint32_t used = Get32(record, 8);
    if (used < kRecordHeaderBytes || used > record.size()) {
        Refuse("the key record at " + Hex(at) + " says it uses " + Hex(used) + " of its " +
               Hex(record.size()) + " bytes");
    }
    const std::string_view body = record.substr(0, used);
    const std::size_t nameBytes = Get16(body, 12);
    const std::size_t valueCount = Get16(body, 14);
    key.recordUnknown = Get32(body, 16);
    std::size_t pos = kRecordHeaderBytes;
    if (nameBytes > body.size() - pos)
        Refuse("the key name at " + Hex(at) + " runs past its record");
    key.name.assign(body.substr(pos, nameBytes));
    pos += nameBytes;
    key.values.reserve(valueCount);
    for (std::size_t i = 0; i < valueCount; ++i) {
        if (body.size() - pos < kValueHeaderBytes) {
            Refuse("value " + std::to_string(i + 1) + " of the key record at " + Hex(at) +
                   " runs past its record");
        }
        HiveValue value;
        value.type = Get32(body, pos);
        value.unknown = Get32(body, pos + 4);
        const std::size_t valueName = Get16(body, pos + 8);
        const std::size_t dataBytes = Get16(body, pos + 10);
        pos += kValueHeaderBytes;
        if (valueName + dataBytes > body.size() - pos) {
            Refuse("value " + std::to_string(i + 1) + " of the key record at " + Hex(at) +
                   " runs past its record");
        }
        value.name.assign(body.substr(pos, valueName));
        value.data.assign(body.substr(pos + valueName, dataBytes));
        pos += valueName + dataBytes;
        key.values.push_back(std::move(value));
    }
}

struct RecordPlace {
    std::size_t block, slot, fileOffset;
    bool used = false;
};

}  // namespace

std::uint32_t NameHash(std::string_view name) {
    std::uint32_t hash = 0;
    for (const char c : name) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) continue;
        if (byte >= 'a' && byte <= 'z') byte = static_cast<unsigned char>(byte - 'a' + 'A');
        hash += byte;
    }
    return hash;
}

Hive ReadHive(std::string_view bytes) {
    if (bytes.size() < 4 || bytes.substr(0, 4) != "CREG") {
        Refuse("it is no Windows 9x registry file (it does not start with CREG)");
    }
    if (bytes.size() < kFileHeaderBytes + kNavigationHeaderBytes) {
        Refuse("it is truncated: " + std::to_string(bytes.size()) + " bytes hold no key tree");
    }
    if (Get16(bytes, 6) != 1) {
        Refuse("its format version " + std::to_string(Get16(bytes, 6)) + "." +
               std::to_string(Get16(bytes, 4)) + " is not the 1.0 of Windows 95, 98 and ME");
    }
    Hive hive;
    std::copy_n(bytes.begin(), kFileHeaderBytes, hive.header.begin());
    if (bytes.substr(kNavigationAt, 4) != "RGKN") Refuse("its key tree (RGKN) is missing");
    const std::uint32_t navigationBytes = Get32(bytes, kNavigationAt + 4);
    const std::uint32_t blocksAt = Get32(bytes, 8);
    if (navigationBytes < kNavigationHeaderBytes ||
        navigationBytes > bytes.size() - kNavigationAt) {
        Refuse("it is truncated or damaged: its key tree says it is " + Hex(navigationBytes) +
               " bytes long, and the file is " + Hex(bytes.size()));
    }
    if (blocksAt < kNavigationAt + navigationBytes || blocksAt > bytes.size()) {
        Refuse("its data blocks are said to start at " + Hex(blocksAt) +
               ", which is not after its key tree and within the file");
    }
    const std::string_view navigation = bytes.substr(kNavigationAt, navigationBytes);
    std::copy_n(navigation.begin(), kNavigationHeaderBytes, hive.navigationHeader.begin());
    hive.navigation.assign(navigation);

    // The data blocks, one after the other, each of the size it says.
    const std::size_t blockCount = Get16(bytes, 16);
    std::map<std::uint16_t, std::size_t> blockOfNumber;
    // Records by block and number; a 2 MB file holds some 20,000.
    std::unordered_map<std::uint32_t, RecordPlace> records;
    records.reserve(bytes.size() / 64);
    std::size_t at = blocksAt;
    for (std::size_t b = 0; b < blockCount; ++b) {
        if (bytes.size() - at < kBlockHeaderBytes) {
            Refuse("it is truncated: data block " + std::to_string(b + 1) + " of " +
                   std::to_string(blockCount) + " would start at " + Hex(at) + ", past its end");
        }
        if (bytes.substr(at, 4) != "RGDB") {
            Refuse("data block " + std::to_string(b + 1) + " at " + Hex(at) +
                   " does not start with RGDB");
        }
        HiveBlock block;
        block.size = Get32(bytes, at + 4);
        if (block.size < kBlockHeaderBytes || block.size > bytes.size() - at) {
            Refuse("data block " + std::to_string(b + 1) + " at " + Hex(at) + " says it is " +
                   Hex(block.size) + " bytes long, which " +
                   (block.size < kBlockHeaderBytes ? "cannot hold its header"
                                                   : "runs past the end of the file"));
        }
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), kBlockHeaderBytes,
                    block.header.begin());
        block.number = Get16(bytes, at + 14);
        if (!blockOfNumber.emplace(block.number, b).second) {
            Refuse("two data blocks are numbered " + std::to_string(block.number));
        }
        const std::string_view data = bytes.substr(at, block.size);
        std::size_t pos = kBlockHeaderBytes;
        while (pos < data.size()) {
            HiveBlock::Slot slot;
            const std::size_t left = data.size() - pos;
            // Too little left for a record: space the block never used.
            if (left < 8) {
                slot.free = true;
                slot.bytes.assign(data.substr(pos));
                block.slots.push_back(std::move(slot));
                break;
            }
            const std::uint32_t size = Get32(data, pos);
            if (size < 8 || size > left) {
                Refuse("the record at " + Hex(at + pos) + " in data block " +
                       std::to_string(block.number) + " says it is " + Hex(size) +
                       " bytes long, and its block has " + Hex(left) + " left");
            }
            const std::uint16_t id = Get16(data, pos + 4);
            const std::uint16_t number = Get16(data, pos + 6);
            slot.bytes.assign(data.substr(pos, size));
            if (id == kNoNumber && number == kNoNumber) {
                slot.free = true;
            } else {
                if (size < kRecordHeaderBytes) {
                    Refuse("the key record at " + Hex(at + pos) + " is " + Hex(size) +
                           " bytes long, too short for its header");
                }
                if (number != block.number) {
                    Refuse("the key record at " + Hex(at + pos) + " says it is in data block " +
                           std::to_string(number) + ", but it is in block " +
                           std::to_string(block.number));
                }
                slot.id = id;
                if (!records
                         .emplace(std::uint32_t{number} << 16 | id,
                                  RecordPlace{b, block.slots.size(), at + pos})
                         .second) {
                    Refuse("data block " + std::to_string(number) + " holds two records numbered " +
                           std::to_string(id));
                }
            }
            block.slots.push_back(std::move(slot));
            pos += size;
        }
        hive.blocks.push_back(std::move(block));
        at += hive.blocks.back().size;
    }

    // The key tree from its root, every entry once.
    const std::uint32_t rootAt = Get32(navigation, 8);
    auto entryAt = [&](std::uint32_t offset, const char* what) {
        if (offset < kNavigationHeaderBytes || offset > navigation.size() ||
            navigation.size() - offset < kEntryBytes) {
            Refuse(std::string(what) + " " + Hex(offset) + " is not inside its key tree of " +
                   Hex(navigation.size()) + " bytes");
        }
        return offset;
    };
    std::vector<bool> seen(navigation.size());
    hive.keys.reserve(navigation.size() / kEntryBytes);
    auto readKey = [&](std::uint32_t offset, std::size_t parent) {
        if (seen[offset]) {
            Refuse("the key tree entry at " + Hex(offset) + " is reached twice");
        }
        seen[offset] = true;
        HiveKey key;
        key.parent = parent;
        key.entryOffset = offset;
        key.entryUnknown0 = Get32(navigation, offset);
        key.hash = Get32(navigation, offset + 4);
        key.entryUnknown8 = Get32(navigation, offset + 8);
        key.id = Get16(navigation, offset + 24);
        key.block = Get16(navigation, offset + 26);
        if (parent != HiveKey::kNone &&
            Get32(navigation, offset + 12) != hive.keys[parent].entryOffset) {
            Refuse("the key tree entry at " + Hex(offset) + " names " +
                   Hex(Get32(navigation, offset + 12)) + " as its parent, but it is listed under " +
                   Hex(hive.keys[parent].entryOffset));
        }
        if (key.id == kNoNumber && key.block == kNoNumber && parent == HiveKey::kNone) {
            key.hasRecord = false;
        } else {
            const auto found = records.find(std::uint32_t{key.block} << 16 | key.id);
            if (found == records.end()) {
                Refuse("the key tree entry at " + Hex(offset) + " names record " +
                       std::to_string(key.id) + " of data block " + std::to_string(key.block) +
                       ", which is not there");
            }
            if (found->second.used) {
                Refuse("two key tree entries name record " + std::to_string(key.id) +
                       " of data block " + std::to_string(key.block));
            }
            found->second.used = true;
            // The key keeps its record; its slot only says where it was.
            key.record =
                std::move(hive.blocks[found->second.block].slots[found->second.slot].bytes);
            ReadRecord(key.record, found->second.fileOffset, key);
        }
        hive.keys.push_back(std::move(key));
        return hive.keys.size() - 1;
    };
    readKey(entryAt(rootAt, "its root key's entry at"), HiveKey::kNone);
    // Keys whose subkeys are still to be read.
    std::vector<std::size_t> pending{0};
    while (!pending.empty()) {
        const std::size_t index = pending.back();
        pending.pop_back();
        std::uint32_t child = Get32(navigation, hive.keys[index].entryOffset + 16);
        while (child != kNoOffset) {
            const std::size_t made = readKey(entryAt(child, "a key tree offset"), index);
            hive.keys[index].children.push_back(made);
            pending.push_back(made);
            child = Get32(navigation, hive.keys[made].entryOffset + 20);
        }
    }
    return hive;
}

}  // namespace creg
