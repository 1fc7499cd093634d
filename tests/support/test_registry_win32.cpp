#include "platform/win32/nt_registry.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win9x_registry.h"
#include "platform/win32/windows_version.h"
#include "test_registry.h"
#include "tools/regtool/registry_tree.h"

namespace testing_support {
namespace {

void RemoveTree(platform::WideRegistryApi& api, platform::Dword root, const char16_t* path) {
    regtool::DeleteTree(api, regtool::KeyName{platform::RootKey(root), u"", path});
}

}  // namespace

std::vector<RegistryKind> TestRegistry::Kinds() { return {RegistryKind::Real}; }

std::string TestRegistry::Name(RegistryKind) { return "Real"; }

TestRegistry::TestRegistry(RegistryKind)
    : editor_(std::make_unique<platform::win32::Win32Registry>()) {
    if (IsWindows9x()) {
        api_ = std::make_unique<platform::win32::Win9xRegistry>();
    } else {
        api_ = std::make_unique<platform::win32::NtRegistry>();
    }
    RemoveTestKeys();
}

platform::RegistryApi& TestRegistry::EditorApi() { return *editor_; }

const platform::CodePageLosses& TestRegistry::EditorLosses() {
    return static_cast<platform::win32::Win32Registry&>(*editor_);
}

TestRegistry::~TestRegistry() { RemoveTestKeys(); }

bool TestRegistry::IsReal() { return true; }

bool TestRegistry::IsWindows9x() { return platform::win32::IsWindows9x(); }

void TestRegistry::RemoveTestKeys() {
    RemoveTree(*api_, platform::kHkeyLocalMachine, kTestKey);
    RemoveTree(*api_, platform::kHkeyCurrentUser, kTestKey);
    RemoveTree(*api_, platform::kHkeyClassesRoot, kTestClass);
    RemoveTree(*api_, platform::kHkeyCurrentConfig, kTestConfig);
    RemoveTree(*api_, platform::kHkeyCurrentUser, kSetupKey);
}

}  // namespace testing_support
