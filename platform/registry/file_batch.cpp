#include "platform/registry/file_batch.h"

#include <exception>

namespace platform {

FileBatch::FileBatch(std::vector<FileTree*> files) : files_(std::move(files)) {
    batches_.reserve(files_.size());
    for (FileTree* file : files_) batches_.push_back(file->BeginBatch());
}

FileBatch::FileBatch(FileBatch&&) noexcept = default;
FileBatch::~FileBatch() = default;

bool FileBatch::Commit() {
    try {
        // Every file is written beside itself before any is renamed, so that a full disk
        // or a file another program changed stops the batch before it changed anything.
        for (FileTree* file : files_) file->PrepareSave();
        for (FileTree* file : files_) file->InstallSave();
        for (auto& batch : batches_) batch->Commit();
    } catch (const std::exception& error) {
        for (FileTree* file : files_) file->DiscardSave();
        fault_ = error.what();
        return false;
    }
    return true;
}

}  // namespace platform
