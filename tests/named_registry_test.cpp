// The registry a name chooses: what is found at the name decides between a store and a
// Wine prefix, and a folder that holds neither is refused, saying what was looked for.
#include "platform/named/named_registry.h"

#include <gtest/gtest.h>

#include <fstream>

#include "temp_dir.h"

using namespace platform;
using testing_support::TempDir;

namespace {

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(NamedRegistry, AFolderWithoutAPrefixsFilesIsRefused) {
    TempDir dir;
    Write(dir.File("system.reg"), "WINE REGISTRY Version 2\n");
    const auto opened = OpenNamedRegistry(dir.File("."), {});
    ASSERT_TRUE(std::holds_alternative<std::string>(opened));
    const std::string& refusal = std::get<std::string>(opened);
    EXPECT_NE(refusal.find(dir.File(".") + " is a folder"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find("system.reg, user.reg and userdef.reg"), std::string::npos) << refusal;
}

TEST(NamedRegistry, APrefixFolderOpensAsAnNtRegistry) {
    TempDir dir;
    Write(dir.File("system.reg"), "WINE REGISTRY Version 2\n\n[Software] 1\n\"A\"=\"1\"\n");
    Write(dir.File("user.reg"), "WINE REGISTRY Version 2\n");
    Write(dir.File("USERDEF.REG"), "WINE REGISTRY Version 2\n");
    const auto opened = OpenNamedRegistry(dir.File("."), {});
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<NamedRegistry>>(opened));
    NamedRegistry& named = *std::get<0>(opened);
    EXPECT_EQ(named.Description(), "Wine prefix " + dir.File("."));
    EXPECT_EQ(named.Registry().Family(), RegistryFamily::WindowsNt);
    EXPECT_FALSE(named.Problem());
    Hkey key = kNullKey;
    EXPECT_EQ(named.Registry().RegOpenKeyExW(RootKey(kHkeyLocalMachine), u"Software", 0,
                                             kKeyAllAccess, &key),
              kErrorSuccess);
}

TEST(NamedRegistry, AnythingElseIsAStore) {
    TempDir dir;
    const auto opened = OpenNamedRegistry(dir.File("registry.db"), {});
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<NamedRegistry>>(opened));
    NamedRegistry& named = *std::get<0>(opened);
    EXPECT_EQ(named.Description(), "registry store " + dir.File("registry.db"));
    EXPECT_EQ(named.Registry().Family(), RegistryFamily::Windows9x);
    auto batch = named.BeginBatch();
    ASSERT_TRUE(batch);
    EXPECT_TRUE(batch->Commit());
}

}  // namespace
