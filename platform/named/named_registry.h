// The registry a name chooses off Windows: a store file, a Wine prefix's folder, or an
// offline Windows installation's folder. What is found at the name decides the kind.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "platform/initial_contents.h"
#include "platform/registry/tree_registry.h"

namespace platform {

// Changes made while it is open take effect together on Commit, or not at all.
class NamedBatch {
public:
    virtual ~NamedBatch() = default;
    // False when the registry refused the changes.
    virtual bool Commit() = 0;
};

// Holds the registry at one moment while it lives, so that a listing reads one state of it.
class NamedSnapshot {
public:
    virtual ~NamedSnapshot() = default;
};

class NamedRegistry {
public:
    virtual ~NamedRegistry() = default;
    virtual TreeRegistry& Registry() = 0;
    // Why the registry cannot be used, or why a change was refused, naming its file.
    virtual std::optional<std::string> Problem() const = 0;
    // Opens a batch; null when the registry cannot open one.
    virtual std::unique_ptr<NamedBatch> BeginBatch() = 0;
    // Opens a snapshot; null when the registry cannot be held still.
    virtual std::unique_ptr<NamedSnapshot> BeginSnapshot() = 0;
    // What is open, as a user would name it: "Wine prefix /home/ada/.wine".
    virtual std::string Description() const = 0;
};

// Opens the registry at path: a folder holding system.reg, user.reg and userdef.reg is a
// Wine prefix, the drive root or Windows folder of a Windows NT installation an offline
// installation (with the profile user names as HKEY_CURRENT_USER, when not empty), anything
// else that is no folder a store (made with contents when missing). A folder that is none
// of these gives the reason it was refused.
std::variant<std::unique_ptr<NamedRegistry>, std::string> OpenNamedRegistry(
    const std::string& path, const InitialContentsSource& contents,
    const std::string& user = {});

}  // namespace platform
