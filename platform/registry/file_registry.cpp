#include "platform/registry/file_registry.h"

#include <exception>
#include <stdexcept>

namespace platform {

bool FileRegistry::OpenFiles(const std::function<std::vector<FileTree*>()>& open) {
    try {
        files_ = open();
    } catch (const std::exception& error) {
        problem_ = error.what();
        unusable_ = true;
        return false;
    }
    return true;
}

std::optional<FileBatch> FileRegistry::BeginBatch() {
    if (unusable_) return std::nullopt;
    return FileBatch(files_);
}

Long FileRegistry::Refusal(bool /*change*/) { return unusable_ ? kErrorBadDb : kErrorSuccess; }

Long FileRegistry::StorageFailure() {
    try {
        throw;
    } catch (const std::invalid_argument&) {
        return kErrorAccessDenied;
    } catch (...) {
        return kErrorBadDb;
    }
}

}  // namespace platform
