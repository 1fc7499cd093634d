// A registry kept in several files of one installation (a Windows installation's hives, a
// Wine prefix's text files), each a FileTree, served with Windows' rules by TreeRegistry.
// What every such registry does alike lives here: opening the files, refusing every call
// when one could not be read, a batch over all of them, and the failures no format names.
// Which file serves which root, and a format's own refusals, are its own.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/file_batch.h"
#include "platform/registry/tree_registry.h"

namespace platform {

class FileRegistry : public TreeRegistry {
public:
    FileRegistry(const FileRegistry&) = delete;
    FileRegistry& operator=(const FileRegistry&) = delete;

    // Why the registry cannot be read, or why the last change was refused.
    const std::optional<std::string>& Problem() const noexcept { return problem_; }
    // Opens a batch on every file; nullopt when the registry cannot be used.
    std::optional<FileBatch> BeginBatch();

protected:
    FileRegistry() : TreeRegistry(roots_) {}

    // Runs open, which reads the files and gives them in the order a batch writes them.
    // When it throws, no file is written, the fault is kept as the problem, every call
    // fails with ERROR_BADDB, and false is returned.
    bool OpenFiles(const std::function<std::vector<FileTree*>()>& open);
    // False when the files could not be opened.
    bool Usable() const noexcept { return !unusable_; }

    Long Refusal(bool change) override;
    // Inside the catch, for what a format does not name itself: a key that stands for a
    // file is not changed away (ERROR_ACCESS_DENIED); anything else is ERROR_BADDB.
    Long StorageFailure() override;

    RootMap roots_;
    std::optional<std::string> problem_;

private:
    bool unusable_ = false;
    std::vector<FileTree*> files_;
};

}  // namespace platform
