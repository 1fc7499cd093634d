#include "new_store.h"
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

}  // namespace

std::vector<RegistryKind> TestRegistry::Kinds() {
    return {RegistryKind::Store, RegistryKind::Memory};
}

std::string TestRegistry::Name(RegistryKind kind) {
    return kind == RegistryKind::Store ? "Store" : "Memory";
}

TestRegistry::TestRegistry(RegistryKind kind) {
    if (kind == RegistryKind::Memory) {
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
