// Making a new store: its tables and roots, and the file, built whole or not at all.
#pragma once

#include <string>

#include "platform/initial_contents.h"
#include "sqlite.h"

namespace store {

// Creates the tables of a store in db and plants a new tree in them (PlantNewTree).
void SeedNewStore(sqlite::Database& db, const platform::InitialContents& contents);

// Removes what a creation killed before it finished left beside the store at path.
void RemoveAbandonedBuilds(const std::string& path);

// Creates the store file at path, seeded with contents, unless another process made one
// there meanwhile; refuses (StoreRefused) when it cannot.
void CreateStoreFile(const std::string& path, const platform::InitialContentsSource& contents);

}  // namespace store
