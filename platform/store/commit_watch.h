// Tells whether any connection committed to a database in write-ahead-log mode, by
// reading the header at the start of the log's shared-memory index: no lock, no system
// call.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace store::sqlite {

// One copy of the index header, as SQLite lays it out for the unix VFS: twelve native
// words, with the count of commits in the third and the "initialised" flag in the
// fourth's first byte.
struct IndexHeader {
    std::array<std::uint32_t, 12> words{};
    bool operator==(const IndexHeader&) const = default;

    // Bumped by every commit, by whichever connection.
    std::uint32_t Commits() const noexcept { return words[2]; }
};

class CommitWatch {
public:
    // Watches the first region of a mapped shared-memory index; null watches nothing.
    void Watch(const void* region) noexcept { region_ = static_cast<const std::uint32_t*>(region); }
    bool Watching() const noexcept { return region_ != nullptr; }

    // The header as it stands; nullopt when nothing is watched, while a writer is half way
    // through changing it, or before the index was built.
    std::optional<IndexHeader> Read() const noexcept;

private:
    const std::uint32_t* region_ = nullptr;
};

}  // namespace store::sqlite
