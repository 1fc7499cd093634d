// Finding, checking and creating the file that holds a registry store.
#pragma once

#include <stdexcept>
#include <string>

#include "sqlite.h"

namespace store {

// Why a file cannot be used as a store; the message names the file and the reason.
class StoreRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The store's file: $VANTREL_REGISTRY, else $XDG_DATA_HOME/vantrel/registry.db, else
// ~/.local/share/vantrel/registry.db.
std::string DefaultStorePath();

// Opens the store at path, creating a fresh one (as a new installation has it) when no
// file is there. A file that is not a store of ours, or is damaged, is refused with
// StoreRefused and left exactly as it was. A store that may not be written is opened
// read-only.
sqlite::Database OpenStoreFile(const std::string& path);

// Why the store at path may not be written, in words for the user; empty when it may.
std::string WhyReadOnly(const std::string& path);

// Creates the tables of a store and the keys of a new installation in db.
void SeedNewStore(sqlite::Database& db);

}  // namespace store
