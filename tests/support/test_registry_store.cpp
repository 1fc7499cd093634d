#include "new_store.h"
#include "platform/store/registry_store.h"
#include "test_registry.h"

namespace testing_support {

TestRegistry::TestRegistry()
    : api_(std::make_unique<store::RegistryStore>(store::RegistryStore::kInMemory,
                                                  NewInstallation())) {}

TestRegistry::~TestRegistry() = default;

// The store serves the 8-bit functions itself.
platform::RegistryApi& TestRegistry::EditorApi() { return *api_; }

const platform::CodePageLosses& TestRegistry::EditorLosses() {
    return static_cast<store::RegistryStore&>(*api_);
}

bool TestRegistry::IsReal() { return false; }

bool TestRegistry::IsWindows9x() { return false; }

void TestRegistry::RemoveTestKeys() {}

}  // namespace testing_support
