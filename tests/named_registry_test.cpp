// The registry a name chooses: what is found at the name decides between a store and a
// Wine prefix, and a folder that holds neither is refused, saying what was looked for. A
// commit the prefix refused is its problem, naming the file.
#include "platform/named/named_registry.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "temp_dir.h"

using namespace platform;
using testing_support::TempDir;

namespace {

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A prefix in dir whose system.reg holds machine and whose user.reg holds user, opened by
// its folder's name.
std::unique_ptr<NamedRegistry> OpenPrefix(const TempDir& dir, const std::string& machine,
                                          const std::string& user) {
    Write(dir.File("system.reg"), "WINE REGISTRY Version 2\n" + machine);
    Write(dir.File("user.reg"), "WINE REGISTRY Version 2\n" + user);
    Write(dir.File("USERDEF.REG"), "WINE REGISTRY Version 2\n");
    auto opened = OpenNamedRegistry(dir.File(""), {});
    if (!std::holds_alternative<std::unique_ptr<NamedRegistry>>(opened)) return nullptr;
    return std::move(std::get<0>(opened));
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
    const auto opened = OpenPrefix(dir, "\n[Software] 1\n\"A\"=\"1\"\n", "");
    ASSERT_TRUE(opened);
    NamedRegistry& named = *opened;
    EXPECT_EQ(named.Description(), "Wine prefix " + dir.File(""));
    EXPECT_EQ(named.Registry().Family(), RegistryFamily::WindowsNt);
    EXPECT_FALSE(named.Problem());
    Hkey key = kNullKey;
    EXPECT_EQ(named.Registry().RegOpenKeyExW(RootKey(kHkeyLocalMachine), u"Software", 0,
                                             kKeyAllAccess, &key),
              kErrorSuccess);
}

Long SetText(TreeRegistry& registry, Dword root, const char16_t* path, const char16_t* text) {
    Hkey key = kNullKey;
    Long status = registry.RegCreateKeyExW(RootKey(root), path, 0, nullptr, 0, kKeyAllAccess,
                                           nullptr, &key, nullptr);
    if (status != kErrorSuccess) return status;
    const std::u16string data(text);
    status = registry.RegSetValueExW(key, u"V", 0, kRegSz,
                                     reinterpret_cast<const std::uint8_t*>(data.c_str()),
                                     static_cast<Dword>((data.size() + 1) * sizeof(char16_t)));
    registry.RegCloseKey(key);
    return status;
}

// The prefix's files are renamed in turn, system.reg first: when user.reg cannot be
// replaced, system.reg already holds the change, and nothing is left beside the files.
TEST(NamedRegistry, APrefixsRefusedCommitIsItsProblemAndLeavesTheFilesRenamedBefore) {
    TempDir dir;
    const auto opened = OpenPrefix(dir, "\n[Software] 1\n", "\n[Software] 1\n");
    ASSERT_TRUE(opened);
    NamedRegistry& named = *opened;
    // Wine's files are read whole: there is nothing to hold still for a listing.
    EXPECT_FALSE(named.BeginSnapshot());
    auto batch = named.BeginBatch();
    ASSERT_TRUE(batch);
    ASSERT_EQ(SetText(named.Registry(), kHkeyLocalMachine, u"Software\\Mine", u"machine"),
              kErrorSuccess);
    ASSERT_EQ(SetText(named.Registry(), kHkeyCurrentUser, u"Software\\Mine", u"user"),
              kErrorSuccess);
    std::filesystem::remove(dir.File("user.reg"));
    std::filesystem::create_directory(dir.File("user.reg"));
    EXPECT_FALSE(batch->Commit());
    ASSERT_TRUE(named.Problem());
    EXPECT_NE(named.Problem()->find(dir.File("user.reg")), std::string::npos) << *named.Problem();
    std::ifstream machine(dir.File("system.reg"), std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(machine), {}};
    EXPECT_NE(text.find("[Software\\\\Mine]"), std::string::npos) << text;
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("user.reg")));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.File(""))) {
        ++entries;
    }
    EXPECT_EQ(entries, 3u);
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
