#include "platform/wine/wine_prefix.h"

#include <dirent.h>
#include <strings.h>

#include <cerrno>

#include "platform/file_error_status.h"
#include "platform/wine/wine_file_tree.h"
#include "platform/wine/wine_name_order.h"
#include "platform/wine/wine_server.h"

namespace wine {
namespace {

constexpr const char* kMachineFile = "system.reg";
constexpr const char* kUserFile = "user.reg";
constexpr const char* kDefaultFile = "userdef.reg";

}  // namespace

PrefixBatch::PrefixBatch(std::vector<WineFileTree*> files,
                         std::vector<std::unique_ptr<platform::TreeBatch>> batches)
    : files_(std::move(files)), batches_(std::move(batches)) {}
PrefixBatch::PrefixBatch(PrefixBatch&&) noexcept = default;
PrefixBatch::~PrefixBatch() = default;

bool PrefixBatch::Commit() {
    try {
        for (WineFileTree* file : files_) file->PrepareSave();
        for (WineFileTree* file : files_) file->InstallSave();
        for (auto& batch : batches_) batch->Commit();
    } catch (const std::exception& error) {
        for (WineFileTree* file : files_) file->DiscardSave();
        fault_ = error.what();
        return false;
    }
    return true;
}

std::optional<std::string> WinePrefix::FindFile(const std::string& folder, const std::string& name) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return std::nullopt;
    std::optional<std::string> found;
    while (const dirent* entry = ::readdir(dir)) {
        if (::strcasecmp(entry->d_name, name.c_str()) == 0) {
            found = folder + (folder.ends_with('/') ? "" : "/") + entry->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

bool WinePrefix::IsPrefix(const std::string& folder) {
    return FindFile(folder, kMachineFile) && FindFile(folder, kUserFile) &&
           FindFile(folder, kDefaultFile);
}

WinePrefix::WinePrefix(std::string folder) : TreeRegistry(roots_), folder_(std::move(folder)) {
    try {
        auto open = [this](const char* name, std::u16string base) {
            const auto path = FindFile(folder_, name);
            if (!path) {
                throw WineFileError(folder_ + " holds no " + name + ": it is no Wine prefix.");
            }
            return std::make_unique<WineFileTree>(*path, std::move(base));
        };
        machine_ = open(kMachineFile, u"Machine");
        user_ = open(kUserFile, u"S-1-5-21-0-0-0-1000");
        defaultUser_ = open(kDefaultFile, u".Default");
    } catch (const std::exception& error) {
        problem_ = error.what();
        unusable_ = true;
        return;
    }
    users_ = std::make_unique<platform::JoinedTree>(
        u"HKEY_USERS", std::vector<platform::RegistryTree*>{user_.get(), defaultUser_.get()},
        WineNameLess);
    roots_.Serve(platform::kHkeyLocalMachine, *machine_, WineFileTree::kBaseKey);
    roots_.Serve(platform::kHkeyUsers, *users_, platform::JoinedTree::kJoinKey);
    roots_.Serve(platform::kHkeyCurrentUser, *users_, users_->Outer(0, WineFileTree::kBaseKey));
    roots_.Link(platform::kHkeyClassesRoot, platform::kHkeyLocalMachine, platform::kClassesPath);
    roots_.Link(platform::kHkeyCurrentConfig, platform::kHkeyLocalMachine,
                platform::kCurrentConfigPath);
    roots_.Serve(platform::kHkeyDynData, dynData_,
                 dynData_.CreateChild(platform::kTreeTop, u"HKEY_DYN_DATA"));
}

WinePrefix::~WinePrefix() = default;

std::optional<PrefixBatch> WinePrefix::BeginBatch() {
    if (unusable_) return std::nullopt;
    std::vector<WineFileTree*> files = {machine_.get(), user_.get(), defaultUser_.get()};
    std::vector<std::unique_ptr<platform::TreeBatch>> batches;
    for (WineFileTree* file : files) batches.push_back(file->BeginBatch());
    return PrefixBatch(std::move(files), std::move(batches));
}

platform::Long WinePrefix::Refusal(bool /*change*/) {
    return unusable_ ? platform::kErrorBadDb : platform::kErrorSuccess;
}

platform::Long WinePrefix::WriteRefusal(const platform::RegistryTree& tree) {
    if (&tree == &dynData_) return platform::kErrorSuccess;
    if (!WineServerServes(folder_)) return platform::kErrorSuccess;
    problem_ = kWineRunning;
    return platform::kErrorAccessDenied;
}

platform::Long WinePrefix::StorageFailure() {
    try {
        throw;
    } catch (const WineFileError& error) {
        problem_ = error.what();
        return platform::StatusOfFileError(error.Error());
    } catch (const std::invalid_argument&) {
        // The keys that stand for the files themselves are not changed away.
        return platform::kErrorAccessDenied;
    } catch (...) {
        return platform::kErrorBadDb;
    }
}

}  // namespace wine
