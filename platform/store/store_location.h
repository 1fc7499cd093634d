// Where a user's registry store lives.
#pragma once

#include <string>

namespace store {

// The store's file: $VANTREL_REGISTRY, else $XDG_DATA_HOME/vantrel/registry.db, else
// ~/.local/share/vantrel/registry.db.
std::string DefaultStorePath();

}  // namespace store
