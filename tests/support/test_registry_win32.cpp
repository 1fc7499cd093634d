#include <windows.h>

#include "platform/win32/win32_registry.h"
#include "test_registry.h"

namespace testing_support {
namespace {

void RemoveTree(HKEY root, const char16_t* path) {
    RegDeleteTreeW(root, reinterpret_cast<LPCWSTR>(path));
    RegDeleteKeyW(root, reinterpret_cast<LPCWSTR>(path));
}

}  // namespace

TestRegistry::TestRegistry() : api_(std::make_unique<platform::win32::Win32Registry>()) {
    RemoveTestKeys();
}

TestRegistry::~TestRegistry() { RemoveTestKeys(); }

bool TestRegistry::IsReal() { return true; }

void TestRegistry::RemoveTestKeys() {
    RemoveTree(HKEY_LOCAL_MACHINE, kTestKey);
    RemoveTree(HKEY_CURRENT_USER, kTestKey);
    RemoveTree(HKEY_CLASSES_ROOT, kTestClass);
    RemoveTree(HKEY_CURRENT_CONFIG, kTestConfig);
    RemoveTree(HKEY_CURRENT_USER, kSetupKey);
}

}  // namespace testing_support
