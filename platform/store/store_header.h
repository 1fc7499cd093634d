// What marks a file as a registry store, checked before SQLite is let near it.
#pragma once

#include <cstdint>
#include <string>

namespace store {

// "VREG": marks the file as a registry store; user_version numbers its schema.
inline constexpr std::uint32_t kApplicationId = 0x56524547;
inline constexpr std::uint32_t kSchemaVersion = 1;

// Whether a writer's log lies beside the store at path.
bool HasWriteAheadLog(const std::string& path);

// Refuses (StoreRefused) a file that is empty, foreign, of an unknown format or truncated,
// without touching it.
void CheckHeader(const std::string& path);

}  // namespace store
