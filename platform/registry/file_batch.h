// The batches of every file of one registry as one: what changed is written when it commits,
// every changed file to a temporary file first, then each renamed over its file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/registry/file_tree.h"

namespace platform {

class FileBatch {
public:
    // Opens a batch on each file; a commit writes them in the order given.
    explicit FileBatch(std::vector<FileTree*> files);
    FileBatch(FileBatch&&) noexcept;
    FileBatch& operator=(FileBatch&&) = delete;
    ~FileBatch();

    // False when a file could not be written; then none was, unless a rename failed, which
    // leaves the files renamed before it written, and every file's batch without a commit.
    bool Commit();
    // Why Commit failed, naming the file.
    const std::string& Fault() const { return fault_; }

private:
    std::string fault_;
    std::vector<FileTree*> files_;
    std::vector<std::unique_ptr<TreeBatch>> batches_;
};

}  // namespace platform
