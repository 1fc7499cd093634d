// A tree kept in one file of a registry made of several (a Windows installation's hives, a
// Wine prefix's text files). Its file is written in two steps, so that the files of one
// registry change together as far as renames allow (FileBatch).
#pragma once

#include "platform/registry/registry_tree.h"

namespace platform {

class FileTree : public RegistryTree {
public:
    // Writes the changed tree to a temporary file beside its file; false when nothing
    // changed. A file that may not be replaced throws, naming it.
    virtual bool PrepareSave() = 0;
    // Renames what PrepareSave wrote over the file; throws, naming the file, when it cannot.
    virtual void InstallSave() = 0;
    // Removes what PrepareSave wrote, when it is still there.
    virtual void DiscardSave() noexcept = 0;
};

}  // namespace platform
