#include "platform/regf/offline_windows.h"

#include <strings.h>

#include <cerrno>

#include "platform/file_error_status.h"
#include "platform/posix/utf8.h"
#include "platform/registry/key_names.h"
#include "platform/regf/regf_file_tree.h"

namespace regf {
namespace {

using platform::NodeId;

constexpr std::u16string_view kProfileList =
    u"Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// The text of a REG_SZ or REG_EXPAND_SZ, up to its first NUL.
std::u16string StringOf(const platform::TreeValue& value) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < value.data.size(); i += 2) {
        const auto unit = static_cast<char16_t>(value.data[i] | value.data[i + 1] << 8);
        if (unit == 0) break;
        text.push_back(unit);
    }
    return text;
}

}  // namespace

InstallationSnapshot::InstallationSnapshot(std::vector<RegfFileTree*> hives)
    : hives_(std::move(hives)) {
    for (RegfFileTree* hive : hives_) hive->HoldStill();
}

InstallationSnapshot::InstallationSnapshot(InstallationSnapshot&& other) noexcept
    : hives_(std::move(other.hives_)) {
    other.hives_.clear();
}

InstallationSnapshot::~InstallationSnapshot() {
    for (RegfFileTree* hive : hives_) hive->LetGo();
}

OfflineWindows::OfflineWindows(const NtInstallation& installation,
                               std::optional<UserProfile> user) {
    const bool opened = OpenFiles([&] {
        software_ = std::make_unique<RegfFileTree>(installation.software, u"Software");
        system_ = std::make_unique<RegfFileTree>(installation.system, u"System");
        defaultUser_ = std::make_unique<RegfFileTree>(installation.defaultUser, u".Default");
        if (user) {
            userKey_ = UserKey(*user);
            user_ = std::make_unique<RegfFileTree>(user->hive, userKey_);
        }
        const auto hives = Hives();
        return std::vector<platform::FileTree*>(hives.begin(), hives.end());
    });
    if (!opened) return;
    machine_ = std::make_unique<platform::JoinedTree>(
        u"HKEY_LOCAL_MACHINE",
        std::vector<platform::RegistryTree*>{software_.get(), system_.get()},
        platform::FoldedNameLess);
    std::vector<platform::RegistryTree*> users{defaultUser_.get()};
    if (user_) users.push_back(user_.get());
    users_ = std::make_unique<platform::JoinedTree>(u"HKEY_USERS", std::move(users),
                                                    platform::FoldedNameLess);
    roots_.Serve(platform::kHkeyLocalMachine, *machine_, platform::JoinedTree::kJoinKey);
    roots_.Serve(platform::kHkeyUsers, *users_, platform::JoinedTree::kJoinKey);
    roots_.Serve(platform::kHkeyCurrentUser, *users_,
                 users_->Outer(user_ ? 1 : 0, RegfFileTree::kBaseKey));
    platform::MapCommonRoots(roots_, dynData_);
}

OfflineWindows::~OfflineWindows() = default;

// The user's key is named by the SID whose ProfileImagePath ends in the profile's folder,
// as Windows names it; by the folder's name when SOFTWARE lists no such profile.
std::u16string OfflineWindows::UserKey(const UserProfile& user) {
    std::optional<NodeId> list = RegfFileTree::kBaseKey;
    const auto parts = platform::SplitKeyPath(kProfileList);
    for (const auto part : parts.value_or(std::vector<std::u16string_view>{})) {
        list = software_->FindChild(*list, part);
        if (!list) return platform::posix::Utf8ToUtf16(user.name);
    }
    const std::u16string wanted = platform::FoldName(platform::posix::Utf8ToUtf16(user.name));
    for (const std::u16string& sid : software_->ChildNames(*list)) {
        const auto key = software_->FindChild(*list, sid);
        const auto path = key ? software_->FindValue(*key, u"ProfileImagePath") : std::nullopt;
        if (!path) continue;
        const std::u16string text = StringOf(*path);
        const std::size_t slash = text.find_last_of(u"\\/");
        const std::u16string last = slash == std::u16string::npos ? text : text.substr(slash + 1);
        if (platform::FoldName(last) == wanted) return sid;
    }
    return platform::posix::Utf8ToUtf16(user.name);
}

std::vector<RegfFileTree*> OfflineWindows::Hives() const {
    std::vector<RegfFileTree*> hives{software_.get(), system_.get(), defaultUser_.get()};
    if (user_) hives.push_back(user_.get());
    return hives;
}

std::optional<InstallationSnapshot> OfflineWindows::BeginSnapshot() {
    if (!Usable()) return std::nullopt;
    return InstallationSnapshot(Hives());
}

platform::Long OfflineWindows::StorageFailure() {
    try {
        throw;
    } catch (const RegfFileError& error) {
        problem_ = error.what();
        if (error.What() == RegfFileError::Kind::Refused) return platform::kErrorAccessDenied;
        if (error.What() == RegfFileError::Kind::Damaged) return platform::kErrorBadDb;
        return platform::StatusOfFileError(error.Error());
    } catch (...) {
        return FileRegistry::StorageFailure();
    }
}

}  // namespace regf
