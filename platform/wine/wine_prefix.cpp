#include "platform/wine/wine_prefix.h"

#include <cerrno>

#include "platform/file_error_status.h"
#include "platform/posix/folder_entries.h"
#include "platform/wine/wine_file_tree.h"
#include "platform/wine/wine_name_order.h"
#include "platform/wine/wine_server.h"

namespace wine {
namespace {

using platform::posix::FindEntry;

constexpr const char* kMachineFile = "system.reg";
constexpr const char* kUserFile = "user.reg";
constexpr const char* kDefaultFile = "userdef.reg";

}  // namespace

bool WinePrefix::IsPrefix(const std::string& folder) {
    return FindEntry(folder, kMachineFile) && FindEntry(folder, kUserFile) &&
           FindEntry(folder, kDefaultFile);
}

WinePrefix::WinePrefix(std::string folder) : folder_(std::move(folder)) {
    const bool opened = OpenFiles([this] {
        auto open = [this](const char* name, std::u16string base) {
            const auto path = FindEntry(folder_, name);
            if (!path) {
                throw WineFileError(folder_ + " holds no " + name + ": it is no Wine prefix.");
            }
            return std::make_unique<WineFileTree>(*path, std::move(base));
        };
        machine_ = open(kMachineFile, u"Machine");
        user_ = open(kUserFile, u"S-1-5-21-0-0-0-1000");
        defaultUser_ = open(kDefaultFile, u".Default");
        return std::vector<platform::FileTree*>{machine_.get(), user_.get(), defaultUser_.get()};
    });
    if (!opened) return;
    users_ = std::make_unique<platform::JoinedTree>(
        u"HKEY_USERS", std::vector<platform::RegistryTree*>{user_.get(), defaultUser_.get()},
        WineNameLess);
    roots_.Serve(platform::kHkeyLocalMachine, *machine_, WineFileTree::kBaseKey);
    roots_.Serve(platform::kHkeyUsers, *users_, platform::JoinedTree::kJoinKey);
    roots_.Serve(platform::kHkeyCurrentUser, *users_, users_->Outer(0, WineFileTree::kBaseKey));
    platform::MapCommonRoots(roots_, dynData_);
}

WinePrefix::~WinePrefix() = default;

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
    } catch (...) {
        return FileRegistry::StorageFailure();
    }
}

}  // namespace wine
