// The tool's commands with reg.exe's syntax: query, add, delete, copy, compare, export,
// import.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/wide_registry_api.h"

namespace regtool {

// Makes an import or a delete take effect whole or not at all.
class RegistryTransaction {
public:
    virtual ~RegistryTransaction() = default;
    // False when the registry refused the changes; without Commit none takes effect.
    virtual bool Commit() = 0;
};

// Holds the registry at one moment while it lives, so that a listing shows one state of it.
class RegistrySnapshot {
public:
    virtual ~RegistrySnapshot() = default;
};

struct ToolEnvironment {
    platform::WideRegistryApi& registry;
    // Null where the registry has no transactions (Windows): an import then says which
    // keys it applied before a failure, and a delete may stop halfway.
    std::function<std::unique_ptr<RegistryTransaction>()> beginTransaction;
    // Asks the user a yes/no question; false when there is nobody to answer.
    std::function<bool(const std::u16string& question)> confirm;
    std::u16string out;
    std::u16string err;
    // When set, takes what out holds so far (and empties it) during a long listing.
    std::function<void(std::u16string& out)> flushOut;
    // The registry keeps names and strings in the 8-bit code page (Windows 9x): an import
    // that holds text the code page cannot is refused before anything is written.
    bool eightBitRegistry = false;
    // Null where the registry cannot be held still (Windows): a listing then reads each key
    // as it is when the listing reaches it.
    std::function<std::unique_ptr<RegistrySnapshot>()> beginSnapshot = nullptr;
    // The registry can be named with --registry before the command (off Windows): the
    // tool's help explains it.
    bool namedRegistry = false;
};

// Runs one command (arguments after the program's name); returns the exit status, 0 on
// success, 1 on failure or cancellation, and for compare 2 when the keys differ.
int RunRegCommand(const std::vector<std::u16string>& arguments, ToolEnvironment& environment);

}  // namespace regtool
