// The batches of several trees as one: changes made through a tree built of other trees
// take effect in each of them when the one batch commits.
#pragma once

#include <memory>
#include <vector>

#include "platform/registry/registry_tree.h"

namespace platform {

class TreeBatches final : public TreeBatch {
public:
    explicit TreeBatches(std::vector<std::unique_ptr<TreeBatch>> batches)
        : batches_(std::move(batches)) {}
    // Each tree writes what changed in it, in the order the batches were given.
    void Commit() override {
        for (auto& batch : batches_) batch->Commit();
    }

private:
    std::vector<std::unique_ptr<TreeBatch>> batches_;
};

}  // namespace platform
