#include "new_store.h"
#include "platform/store/registry_store.h"
#include "test_registry.h"

namespace testing_support {

TestRegistry::TestRegistry()
    : api_(std::make_unique<store::RegistryStore>(store::RegistryStore::kInMemory,
                                                  NewInstallation())) {}

TestRegistry::~TestRegistry() = default;

bool TestRegistry::IsReal() { return false; }

bool TestRegistry::IsWindows9x() { return false; }

void TestRegistry::RemoveTestKeys() {}

}  // namespace testing_support
