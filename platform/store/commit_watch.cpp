#include "commit_watch.h"

#include <atomic>

namespace store::sqlite {
namespace {

IndexHeader Load(const std::uint32_t* words) noexcept {
    IndexHeader header;
    for (std::size_t i = 0; i < header.words.size(); ++i) {
        header.words[i] = __atomic_load_n(words + i, __ATOMIC_RELAXED);
    }
    return header;
}

}  // namespace

// A writer stores the second copy, then the first, with a barrier between; reading them
// in the other order with a barrier between gives two equal copies only when neither
// was being written. SQLite reads the header the same way before it trusts it.
std::optional<IndexHeader> CommitWatch::Read() const noexcept {
    if (!region_) return std::nullopt;
    const IndexHeader first = Load(region_);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    const IndexHeader second = Load(region_ + first.words.size());
    // The flag is the byte at offset 12, whatever the machine's byte order.
    const bool initialised = reinterpret_cast<const unsigned char*>(&first.words[3])[0] != 0;
    if (!(first == second) || !initialised) return std::nullopt;
    return first;
}

}  // namespace store::sqlite
