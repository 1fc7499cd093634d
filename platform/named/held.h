// A registry's own batch or snapshot held behind the interfaces every named registry offers.
#pragma once

#include <optional>
#include <string>

#include "platform/named/named_registry.h"

namespace platform {

template <typename Batch>
class BatchOf final : public NamedBatch {
public:
    // A refused commit's reason, where the registry gives one, goes to fault.
    explicit BatchOf(Batch batch, std::optional<std::string>* fault = nullptr)
        : batch_(std::move(batch)), fault_(fault) {}
    bool Commit() override {
        if (batch_.Commit()) return true;
        if constexpr (requires { batch_.Fault(); }) {
            if (fault_) *fault_ = batch_.Fault();
        }
        return false;
    }

private:
    Batch batch_;
    std::optional<std::string>* fault_;
};

template <typename Snapshot>
class SnapshotOf final : public NamedSnapshot {
public:
    explicit SnapshotOf(Snapshot snapshot) : snapshot_(std::move(snapshot)) {}

private:
    Snapshot snapshot_;
};

}  // namespace platform
