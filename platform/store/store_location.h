// Where a user's registry store lives.
#pragma once

#include <string>

namespace store {

// The store's file: $VANTREL_REGISTRY, else $XDG_DATA_HOME/vantrel/registry.db, else
// ~/.local/share/vantrel/registry.db.
std::string DefaultStorePath();

// The folder of the file at path: what comes before its last '/', "/" for a file at the
// root, "." for a bare name.
std::string FolderOf(const std::string& path);

}  // namespace store
