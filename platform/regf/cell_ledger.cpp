#include "platform/regf/cell_ledger.h"

#include <cstring>
#include <utility>

#include "platform/regf/hive_format.h"

namespace regf {
namespace {

constexpr std::uint32_t kNone = 0xffffffff;

// Fields of the cells a change reads, from the start of the cell (its size field).
namespace key_field {
constexpr std::size_t kSubkeyList = 32, kValueCount = 40, kValueList = 44,
                      kSecurity = 48, kClassName = 52, kEnd = 56;
}
namespace value_field {
constexpr std::size_t kDataSize = 8, kData = 12, kEnd = 16;
}
namespace security_field {
constexpr std::size_t kNext = 8, kPrevious = 12, kReferences = 16, kEnd = 20;
}
constexpr std::size_t kListEntries = 8;

std::size_t Target(std::uint32_t offset) { return kBaseBlockSize + offset; }

}  // namespace

CellLedger::CellLedger(const std::string& path) : file_(path) { Walk(); }

// The cells hivex counts as in use are the used cells of the bins it reads when it opens a
// hive: one bin after another from the first, up to the end the base block gives, which is
// also where hivex puts the bins it adds.
void CellLedger::Walk() {
    end_ = Target(Read32(0x28));
    if (end_ > file_.Size()) throw CellFault("its bins would end past the end of the file");
    inUse_.assign(end_ / 4 + 1, false);
    std::size_t bin = kBaseBlockSize;
    while (bin < end_) {
        if (bin > file_.Size() || file_.Size() - bin < kBinHeaderSize ||
            std::memcmp(file_.Data() + bin, "hbin", 4) != 0) {
            throw CellFault("no bin starts at " + HiveOffset(bin));
        }
        const std::size_t size = Read32(bin + 8);
        if (size <= kBinHeaderSize || size % 0x1000 != 0 || size > end_ - bin ||
            Target(Read32(bin + 4)) != bin) {
            throw CellFault("the bin at " + HiveOffset(bin) + " has a wrong size or offset");
        }
        for (std::size_t cell = bin + kBinHeaderSize; cell < bin + size;) {
            const auto raw = static_cast<std::int32_t>(Read32(cell));
            const std::size_t length = raw < 0 ? 0 - static_cast<std::size_t>(raw)
                                               : static_cast<std::size_t>(raw);
            if (length <= 4 || length % 4 != 0 || length > bin + size - cell) {
                throw CellFault("the cell at " + HiveOffset(cell) + " has a wrong size");
            }
            if (raw < 0) inUse_[cell / 4] = true;
            cell += length;
        }
        bin += size;
    }
}

std::uint32_t CellLedger::Read32(std::size_t offset) const {
    if (offset > file_.Size() || file_.Size() - offset < 4) {
        throw CellFault("a field it needs lies past the end of the file");
    }
    return Le32(file_.Data() + offset);
}

bool CellLedger::InUse(std::size_t offset) const noexcept {
    return offset % 4 == 0 && offset < end_ && inUse_[offset / 4];
}

std::size_t CellLedger::CellSize(std::size_t offset) const {
    return 0 - static_cast<std::size_t>(static_cast<std::int32_t>(Read32(offset)));
}

bool CellLedger::HasSignature(std::size_t offset, const char* signature) const {
    return std::memcmp(file_.Data() + offset + 4, signature, 2) == 0;
}

bool CellLedger::Usable(const Rehearsal& rehearsal, std::size_t offset) const {
    return InUse(offset) && !rehearsal.freed.count(offset);
}

void CellLedger::Refuse(std::size_t key, const std::string& fault) const {
    throw CellFault("the key at " + HiveOffset(key) + " cannot be changed: " + fault +
                    "; the hive is damaged");
}

void CellLedger::Check(const Rehearsal& rehearsal, std::size_t key, std::size_t offset,
                       const char* what) const {
    if (rehearsal.freed.count(offset)) {
        Refuse(key, std::string("the change would free ") + what + " at " + HiveOffset(offset) +
                        " twice");
    }
    if (!InUse(offset)) {
        Refuse(key, std::string("the change would free ") + what + " at " + HiveOffset(offset) +
                        ", where no cell in use starts");
    }
}

void CellLedger::Free(Rehearsal& rehearsal, std::size_t key, std::size_t offset,
                      const char* what) const {
    Check(rehearsal, key, offset, what);
    rehearsal.freed.insert(offset);
}

void CellLedger::CheckNode(std::size_t key) const {
    if (!InUse(key) || !HasSignature(key, "nk") || CellSize(key) < key_field::kEnd) {
        Refuse(key, "no key's node is in use there");
    }
}

// As hivex replaces a key's values: the value list first, then each value's data, unless it
// is inline, and the value itself.
void CellLedger::FreeValues(Rehearsal& rehearsal, std::size_t key) const {
    const std::uint32_t count = Read32(key + key_field::kValueCount);
    if (count == 0) return;
    const std::size_t list = Target(Read32(key + key_field::kValueList));
    if (!Usable(rehearsal, list) || CellSize(list) < 4 + std::size_t{count} * 4) {
        Refuse(key, "its value list at " + HiveOffset(list) + " is not a cell in use that holds " +
                        std::to_string(count) + " values");
    }
    std::vector<std::size_t> values(count);
    for (std::uint32_t i = 0; i < count; ++i) values[i] = Target(Read32(list + 4 + 4 * i));
    Free(rehearsal, key, list, "its value list");
    for (const std::size_t value : values) {
        Check(rehearsal, key, value, "a value");
        if (CellSize(value) < value_field::kEnd) {
            Refuse(key, "the value at " + HiveOffset(value) + " is shorter than a value's fields");
        }
        if ((Read32(value + value_field::kDataSize) & kDataInEntry) == 0) {
            Free(rehearsal, key, Target(Read32(value + value_field::kData)), "a value's data");
        }
        Free(rehearsal, key, value, "a value");
    }
}

CellLedger::Security CellLedger::SecurityAt(const Rehearsal& rehearsal,
                                            std::size_t offset) const {
    if (const auto found = rehearsal.security.find(offset); found != rehearsal.security.end()) {
        return found->second;
    }
    if (const auto found = security_.find(offset); found != security_.end()) return found->second;
    return {Read32(offset + security_field::kPrevious), Read32(offset + security_field::kNext),
            Read32(offset + security_field::kReferences)};
}

// As hivex deletes a key's share of its security cell: the last key to go unlinks the cell
// from its neighbours, writing into them, and frees it.
void CellLedger::Release(Rehearsal& rehearsal, std::size_t key, std::size_t offset) const {
    auto isSecurity = [&](std::size_t at) {
        return Usable(rehearsal, at) && HasSignature(at, "sk") &&
               CellSize(at) >= security_field::kEnd;
    };
    if (!isSecurity(offset)) {
        Refuse(key, "its security cell at " + HiveOffset(offset) + " is not one in use");
    }
    Security security = SecurityAt(rehearsal, offset);
    if (security.references == 0) {
        Refuse(key, "its security cell at " + HiveOffset(offset) + " counts no keys");
    }
    --security.references;
    rehearsal.security[offset] = security;
    if (security.references != 0) return;
    const std::size_t previous = Target(security.previous), next = Target(security.next);
    if (previous != offset && next != offset) {
        if (!isSecurity(previous) || !isSecurity(next)) {
            Refuse(key, "the security cell at " + HiveOffset(offset) +
                            " is linked to cells that are not security cells in use");
        }
        Security before = SecurityAt(rehearsal, previous);
        before.next = security.next;
        rehearsal.security[previous] = before;
        Security after = SecurityAt(rehearsal, next);
        after.previous = security.previous;
        rehearsal.security[next] = after;
    }
    Free(rehearsal, key, offset, "its security cell");
}

void CellLedger::Apply(Rehearsal&& rehearsal) {
    for (const std::size_t offset : rehearsal.freed) inUse_[offset / 4] = false;
    for (auto& [offset, security] : rehearsal.security) security_[offset] = security;
}

void CellLedger::ReplaceValues(std::size_t key) {
    // A key hivex made, or whose values it wrote, holds only cells hivex made.
    if (key >= end_ || valuesReplaced_.count(key)) return;
    CheckNode(key);
    Rehearsal rehearsal;
    FreeValues(rehearsal, key);
    // hivex writes the new values' offsets into the node after freeing the old ones.
    if (rehearsal.freed.count(key)) Refuse(key, "the change would free the key's own node");
    Apply(std::move(rehearsal));
    valuesReplaced_.insert(key);
}

void CellLedger::DeleteLeaf(std::size_t key) {
    Rehearsal rehearsal;
    if (key >= end_) {
        const auto made = madeKeySecurity_.find(key);
        if (made == madeKeySecurity_.end()) Refuse(key, "no key was made there");
        Release(rehearsal, key, made->second);
        Apply(std::move(rehearsal));
        return;
    }
    CheckNode(key);
    if (!valuesReplaced_.count(key)) FreeValues(rehearsal, key);
    if (const std::uint32_t security = Read32(key + key_field::kSecurity); security != kNone) {
        Release(rehearsal, key, Target(security));
    }
    if (const std::uint32_t name = Read32(key + key_field::kClassName); name != kNone) {
        Free(rehearsal, key, Target(name), "its class name");
    }
    Free(rehearsal, key, key, "its node");
    Apply(std::move(rehearsal));
}

std::size_t CellLedger::SecurityOf(std::size_t key) const {
    return key >= end_ ? madeKeySecurity_.at(key) : Target(Read32(key + key_field::kSecurity));
}

void CellLedger::AddingChild(std::size_t parent) {
    if (parent < end_) CheckNode(parent);
    const std::size_t security = SecurityOf(parent);
    if (!InUse(security) || !HasSignature(security, "sk") ||
        CellSize(security) < security_field::kEnd) {
        Refuse(parent, "its security cell at " + HiveOffset(security) + " is not one in use");
    }
}

void CellLedger::AddedChild(std::size_t parent, std::size_t child, bool hadChildren) {
    const std::size_t security = SecurityOf(parent);
    Security shared = SecurityAt(Rehearsal{}, security);
    ++shared.references;
    security_[security] = shared;
    madeKeySecurity_[child] = security;
    // hivex replaced one of the parent's lists with a longer copy and freed it. Which one
    // matters to no later change: all of them are counted as freed, since only the parent
    // names them.
    if (!hadChildren || parent >= end_ || !listsReplaced_.insert(parent).second) return;
    std::vector<std::pair<std::size_t, int>> pending{
        {Target(Read32(parent + key_field::kSubkeyList)), 0}};
    while (!pending.empty()) {
        const auto [list, depth] = pending.back();
        pending.pop_back();
        if (!InUse(list) || depth > 8) continue;
        if (!HasSignature(list, "ri")) {
            inUse_[list / 4] = false;
            continue;
        }
        const std::size_t count = Read32(list + 4) >> 16;
        for (std::size_t i = 0; i < count && kListEntries + 4 * (i + 1) <= CellSize(list); ++i) {
            pending.emplace_back(Target(Read32(list + kListEntries + 4 * i)), depth + 1);
        }
    }
}

}  // namespace regf
