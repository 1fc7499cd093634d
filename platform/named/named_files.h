// A registry kept in several files (a Wine prefix, an offline Windows installation, a
// Windows 9x one) as the registry a name chooses.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "platform/named/held.h"
#include "platform/registry/file_registry.h"

namespace platform {

template <typename Files>
class NamedFiles final : public NamedRegistry {
public:
    // Opens the registry with arguments; description names it as a user would.
    template <typename... Arguments>
    explicit NamedFiles(std::string description, Arguments&&... arguments)
        : description_(std::move(description)), files_(std::forward<Arguments>(arguments)...) {}

    TreeRegistry& Registry() override { return files_; }
    // The fault of a refused commit comes before the registry's own problem.
    std::optional<std::string> Problem() const override {
        return fault_ ? fault_ : files_.Problem();
    }
    std::unique_ptr<NamedBatch> BeginBatch() override {
        auto batch = files_.BeginBatch();
        if (!batch) return nullptr;
        return std::make_unique<BatchOf<FileBatch>>(std::move(*batch), &fault_);
    }
    // A registry whose files are read whole, and read again whole when another program
    // rewrites one, has nothing to hold still.
    std::unique_ptr<NamedSnapshot> BeginSnapshot() override {
        if constexpr (requires { files_.BeginSnapshot(); }) {
            auto snapshot = files_.BeginSnapshot();
            if (!snapshot) return nullptr;
            using Snapshot = typename decltype(snapshot)::value_type;
            return std::make_unique<SnapshotOf<Snapshot>>(std::move(*snapshot));
        } else {
            return nullptr;
        }
    }
    std::string Description() const override { return description_; }

private:
    std::string description_;
    Files files_;
    std::optional<std::string> fault_;
};

}  // namespace platform
