#include <filesystem>

#include "minimal_hive.h"
#include "new_store.h"
#include "platform/regf/offline_windows.h"
#include "platform/regf/regf_file_tree.h"
#include "temp_dir.h"
#include "platform/memory/memory_tree.h"
#include "platform/registry/tree_registry.h"
#include "platform/store/registry_store.h"
#include "test_registry.h"

namespace testing_support {
namespace {

// A registry of two trees in memory, made as a new store is made.
class MemoryRegistry final : public platform::TreeRegistry {
public:
    MemoryRegistry() : TreeRegistry(roots_) {
        platform::PlantNewTree(stored_, NewInstallation());
        platform::MapStandardRoots(roots_, stored_, dynamic_);
    }
    // Holds what a new installation of Windows 98 holds.
    platform::RegistryFamily Family() const override {
        return platform::RegistryFamily::Windows9x;
    }

protected:
    // Trees in memory have no storage that fails.
    platform::Long StorageFailure() override { throw; }

private:
    platform::MemoryTree stored_, dynamic_;
    platform::RootMap roots_;
};

// The drive of an offline Windows made of empty hives, in a folder of its own.
std::shared_ptr<TempDir> MakeOfflineDrive() {
    auto drive = std::make_shared<TempDir>();
    const std::string config = drive->File("Windows/System32/config");
    std::filesystem::create_directories(config);
    for (const char* hive : {"SOFTWARE", "SYSTEM", "DEFAULT"}) {
        WriteMinimalHive(config + "/" + hive);
    }
    // The keys the linked roots stand for, which the roots find when the hives are opened.
    const auto plant = [&](const char* hive, std::vector<std::u16string> path) {
        regf::RegfFileTree tree(config + "/" + hive, u"Top");
        auto batch = tree.BeginBatch();
        platform::NodeId at = regf::RegfFileTree::kBaseKey;
        for (const auto& name : path) at = tree.CreateChild(at, name);
        batch->Commit();
    };
    plant("SOFTWARE", {u"Classes"});
    plant("SYSTEM", {u"CurrentControlSet", u"Hardware Profiles", u"Current"});
    return drive;
}

// The keys a new installation holds.
void Plant(platform::WideRegistryApi& registry) {
    for (const auto& key : NewInstallation()) {
        platform::Hkey made = platform::kNullKey;
        registry.RegCreateKeyExW(platform::RootKey(key.root), key.path.c_str(), 0, nullptr, 0,
                                 platform::kKeyAllAccess, nullptr, &made, nullptr);
        for (const auto& value : key.strings) {
            registry.RegSetValueExW(made, value.name.c_str(), 0, platform::kRegSz,
                                    reinterpret_cast<const std::uint8_t*>(value.text.c_str()),
                                    static_cast<platform::Dword>((value.text.size() + 1) * 2));
        }
        registry.RegCloseKey(made);
    }
}

}  // namespace

std::vector<RegistryKind> TestRegistry::Kinds() {
    return {RegistryKind::Store, RegistryKind::Memory, RegistryKind::OfflineWindows};
}

std::string TestRegistry::Name(RegistryKind kind) {
    switch (kind) {
        case RegistryKind::Memory:
            return "Memory";
        case RegistryKind::OfflineWindows:
            return "OfflineWindows";
        default:
            return "Store";
    }
}

TestRegistry::TestRegistry(RegistryKind kind) {
    if (kind == RegistryKind::OfflineWindows) {
        auto drive = MakeOfflineDrive();
        const auto installation = regf::FindNtInstallation(drive->File(""));
        storage_ = drive;
        api_ = std::make_unique<regf::OfflineWindows>(*installation, std::nullopt);
        Plant(*api_);
    } else if (kind == RegistryKind::Memory) {
        api_ = std::make_unique<MemoryRegistry>();
    } else {
        api_ = std::make_unique<store::RegistryStore>(store::RegistryStore::kInMemory,
                                                      NewInstallation());
    }
}

TestRegistry::~TestRegistry() = default;

// The registry serves the 8-bit functions itself.
platform::RegistryApi& TestRegistry::EditorApi() { return *api_; }

const platform::CodePageLosses& TestRegistry::EditorLosses() {
    return static_cast<platform::AnsiOverWideRegistry&>(*api_);
}

bool TestRegistry::IsReal() { return false; }

bool TestRegistry::IsWindows9x() { return false; }

void TestRegistry::RemoveTestKeys() {}

}  // namespace testing_support
