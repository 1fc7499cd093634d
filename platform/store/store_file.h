// Opening the file that holds a registry store: checked, created when missing, and opened
// read-only where it may not be written.
#pragma once

#include <memory>
#include <string>

#include "platform/initial_contents.h"
#include "sqlite.h"
#include "store_message.h"

namespace store {

// Opens the store at path, creating a fresh one seeded with contents when no file is
// there. A file that is not a store of ours, or is damaged, is refused with StoreRefused
// and left exactly as it was. A store that may not be written is opened read-only.
std::unique_ptr<sqlite::Database> OpenStoreFile(const std::string& path,
                                                const platform::InitialContentsSource& contents);

// Why the store at path may not be written, in words for the user; empty when it may.
std::string WhyReadOnly(const std::string& path);

}  // namespace store
