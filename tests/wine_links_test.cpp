// Symbolic links in a Wine prefix (keys marked #link, whose SymbolicLinkValue names another
// key from \Registry): followed on the way through a path and at its end as Wine's server
// follows them, listed under their own names, and kept in their files as they were.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "platform/wine/wine_prefix.h"
#include "temp_dir.h"

using namespace platform;
using testing_support::Read;
using testing_support::Utf16z;

namespace {

// A link's key section: the key line, #link, and its target as Wine writes it, hex(6).
std::string LinkSection(const std::string& key, std::u16string_view target) {
    std::string section = "[" + key + "] 1796855689\n#time=1dd882d802e436a\n#link\n"
                          "\"SymbolicLinkValue\"=hex(6):";
    const char* digits = "0123456789abcdef";
    for (const char16_t unit : target) {
        for (const unsigned byte : {unit & 0xFFu, unsigned{unit} >> 8}) {
            section += digits[byte >> 4];
            section += digits[byte & 15];
            section += ',';
        }
    }
    section.back() = '\n';
    return section + "\n";
}

const std::string kHeader = "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n"
                            "#arch=win64\n\n";

// A control set behind CurrentControlSet, as newer Wine lays it out, with the hardware
// profile that HKEY_CURRENT_CONFIG names behind a second link.
const std::string kMachineText =
    kHeader +
    "[Software\\\\Alpha] 1796855689\n#time=1dd882d802e436a\n\"Where\"=\"alpha\"\n\n"
    "[System\\\\ControlSet001\\\\Control] 1796855689\n#time=1dd882d802e436a\n"
    "\"Set\"=\"one\"\n\n"
    "[System\\\\ControlSet001\\\\Control\\\\Print] 1796855689\n#time=1dd882d802e436a\n\n"
    "[System\\\\ControlSet001\\\\Hardware Profiles\\\\0001\\\\Software\\\\Fonts] 1796855689\n"
    "#time=1dd882d802e436a\n\"LogPixels\"=dword:00000060\n\n" +
    LinkSection("System\\\\ControlSet001\\\\Hardware Profiles\\\\Current",
                u"\\Registry\\Machine\\System\\ControlSet001\\Hardware Profiles\\0001") +
    LinkSection("System\\\\CurrentControlSet", u"\\REGISTRY\\MACHINE\\System\\ControlSet001") +
    "[System\\\\Select] 1796855689\n#time=1dd882d802e436a\n\"Current\"=dword:00000001\n\n" +
    LinkSection("System\\\\Loop", u"\\Registry\\Machine\\System\\Loop") +
    LinkSection("System\\\\Nowhere", u"\\Registry\\Machine\\System\\Missing") +
    LinkSection("System\\\\Foreign", u"\\Registry\\Other\\System") +
    "[System\\\\NoTarget] 1796855689\n#time=1dd882d802e436a\n#link\n\n";

const std::string kUserText =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
    "#arch=win64\n\n"
    "[Software\\\\Wine] 1796855689\n#time=1dd882d802e436a\n\"Version\"=\"win10\"\n\n" +
    LinkSection("Software\\\\ToMachine", u"\\Registry\\Machine\\Software\\Alpha") +
    LinkSection("Software\\\\ToSelf", u"\\Registry\\User\\S-1-5-21-0-0-0-1000\\Software\\Wine");

const std::string kDefaultText =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\.Default\n\n"
    "#arch=win64\n\n"
    "[Control Panel\\\\Desktop] 1796855689\n#time=1dd882d802e436a\n\"Wallpaper\"=\"\"\n";

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class WineLinks : public ::testing::Test {
protected:
    WineLinks() { WriteFiles(kMachineText); }
    void WriteFiles(const std::string& machine) {
        Write(dir.File("system.reg"), machine);
        Write(dir.File("user.reg"), kUserText);
        Write(dir.File("userdef.reg"), kDefaultText);
    }
    wine::WinePrefix& registry() {
        if (!opened) opened = std::make_unique<wine::WinePrefix>(dir.File(""));
        return *opened;
    }
    Long Open(Hkey root, const char16_t* path, Hkey* key, Dword options = 0) {
        return registry().RegOpenKeyExW(root, path, options, kKeyAllAccess, key);
    }
    std::optional<std::vector<std::uint8_t>> Query(Hkey root, const char16_t* path,
                                                   const char16_t* name, Dword options = 0) {
        Hkey key = kNullKey;
        if (Open(root, path, &key, options) != kErrorSuccess) return std::nullopt;
        std::vector<std::uint8_t> data(4096);
        Dword size = static_cast<Dword>(data.size());
        const Long status = registry().RegQueryValueExW(key, name, nullptr, nullptr, data.data(), &size);
        registry().RegCloseKey(key);
        if (status != kErrorSuccess) return std::nullopt;
        data.resize(size);
        return data;
    }
    std::vector<std::u16string> SubKeys(Hkey root, const char16_t* path) {
        Hkey key = kNullKey;
        std::vector<std::u16string> names;
        if (Open(root, path, &key) != kErrorSuccess) return names;
        char16_t name[256];
        for (Dword i = 0;; ++i) {
            Dword length = 256;
            if (registry().RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr,
                                         nullptr) != kErrorSuccess) {
                break;
            }
            names.emplace_back(name, length);
        }
        registry().RegCloseKey(key);
        return names;
    }

    const Hkey machine = RootKey(kHkeyLocalMachine);
    const Hkey user = RootKey(kHkeyCurrentUser);
    testing_support::TempDir dir;
    std::unique_ptr<wine::WinePrefix> opened;
};

const std::vector<std::uint8_t> kDword96{0x60, 0, 0, 0};

}  // namespace

TEST_F(WineLinks, APathThroughALinkReachesItsTargetAnywhereAlongIt) {
    EXPECT_EQ(Query(machine, u"System\\CurrentControlSet\\Control", u"Set"), Utf16z(u"one"));
    EXPECT_EQ(Query(machine, u"system\\currentcontrolset\\hardware profiles\\current\\Software\\Fonts",
                    u"LogPixels"),
              kDword96);
    EXPECT_EQ(SubKeys(machine, u"System\\CurrentControlSet\\Control"),
              (std::vector<std::u16string>{u"Print"}));
    // HKEY_CURRENT_CONFIG is CurrentControlSet\Hardware Profiles\Current: two links away.
    EXPECT_EQ(Query(RootKey(kHkeyCurrentConfig), u"Software\\Fonts", u"LogPixels"), kDword96);
    EXPECT_EQ(SubKeys(RootKey(kHkeyCurrentConfig), u""), (std::vector<std::u16string>{u"Software"}));
    // From a handle opened through a link, on below it.
    Hkey set = kNullKey;
    ASSERT_EQ(Open(machine, u"System\\CurrentControlSet", &set), kErrorSuccess);
    EXPECT_EQ(Query(set, u"Control", u"Set"), Utf16z(u"one"));
    registry().RegCloseKey(set);
}

TEST_F(WineLinks, ALinkIsListedUnderItsOwnNameAndOpenedItselfOnlyWhenAsked) {
    EXPECT_EQ(SubKeys(machine, u"System"),
              (std::vector<std::u16string>{u"ControlSet001", u"CurrentControlSet", u"Foreign",
                                           u"Loop", u"NoTarget", u"Nowhere", u"Select"}));
    EXPECT_EQ(Query(machine, u"System\\CurrentControlSet", u"SymbolicLinkValue"), std::nullopt);
    const auto target = Query(machine, u"System\\CurrentControlSet", u"SymbolicLinkValue",
                              kRegOptionOpenLink);
    ASSERT_TRUE(target);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(target->data()), target->size() / 2),
              u"\\REGISTRY\\MACHINE\\System\\ControlSet001");
    // Only the last name is kept as a link; those before it are followed.
    EXPECT_TRUE(Query(machine, u"System\\CurrentControlSet\\Hardware Profiles\\Current",
                      u"SymbolicLinkValue", kRegOptionOpenLink));
}

TEST_F(WineLinks, LinksThatLeadNowhereAreNotFound) {
    Hkey key = kNullKey;
    for (const char16_t* path : {u"System\\Loop", u"System\\Nowhere", u"System\\Foreign",
                                 u"System\\NoTarget", u"System\\Nowhere\\Below"}) {
        EXPECT_EQ(Open(machine, path, &key), kErrorFileNotFound) << std::string(path, path + 10);
        EXPECT_EQ(key, kNullKey);
    }
    EXPECT_EQ(Open(machine, u"System\\Loop", &key, kRegOptionOpenLink), kErrorSuccess);
    registry().RegCloseKey(key);
    // A change cannot go through them either, and makes nothing.
    EXPECT_EQ(registry().RegCreateKeyExW(machine, u"System\\Nowhere\\Made", 0, nullptr, 0,
                                         kKeyAllAccess, nullptr, &key, nullptr),
              kErrorFileNotFound);
    EXPECT_EQ(Read(dir.File("system.reg")), kMachineText);
}

TEST_F(WineLinks, AChainOfSixteenLinksIsFollowedAndALongerOneIsNot) {
    // Chain0 leads to Chain1 and so on; Chain16 to Software\Alpha.
    std::string text = kMachineText;
    for (int i = 0; i < 17; ++i) {
        const std::string next = i == 16 ? std::string("Software\\Alpha")
                                         : "System\\Chain" + std::to_string(i + 1);
        text += LinkSection("System\\\\Chain" + std::to_string(i),
                            u"\\Registry\\Machine\\" + std::u16string(next.begin(), next.end()));
    }
    WriteFiles(text);
    EXPECT_EQ(Query(machine, u"System\\Chain1", u"Where"), Utf16z(u"alpha"));
    Hkey key = kNullKey;
    EXPECT_EQ(Open(machine, u"System\\Chain0", &key), kErrorFileNotFound);
    EXPECT_EQ(Query(machine, u"System\\Chain0", u"SymbolicLinkValue", kRegOptionOpenLink)->size(),
              std::u16string_view(u"\\Registry\\Machine\\System\\Chain1").size() * 2);
}

TEST_F(WineLinks, AChangeThroughALinkLandsInItsTargetAndTheLinkStaysAsItWas) {
    Hkey made = kNullKey;
    Dword disposition = 0;
    ASSERT_EQ(registry().RegCreateKeyExW(machine, u"System\\CurrentControlSet\\Control\\Made", 0,
                                         nullptr, 0, kKeyAllAccess, nullptr, &made, &disposition),
              kErrorSuccess);
    EXPECT_EQ(disposition, kRegCreatedNewKey);
    const auto data = Utf16z(u"through");
    ASSERT_EQ(registry().RegSetValueExW(made, u"Via", 0, kRegSz, data.data(),
                                        static_cast<Dword>(data.size())),
              kErrorSuccess);
    registry().RegCloseKey(made);

    const std::string text = Read(dir.File("system.reg"));
    EXPECT_NE(text.find("[System\\\\ControlSet001\\\\Control\\\\Made]"), std::string::npos) << text;
    EXPECT_EQ(text.find("[System\\\\CurrentControlSet\\\\Control"), std::string::npos) << text;
    EXPECT_EQ(text.rfind(kMachineText, 0), 0u) << "every line before stays as it was";

    wine::WinePrefix again(dir.File(""));
    Hkey key = kNullKey;
    ASSERT_EQ(again.RegOpenKeyExW(machine, u"System\\ControlSet001\\Control\\Made", 0,
                                  kKeyAllAccess, &key),
              kErrorSuccess);
    again.RegCloseKey(key);
    // Deleting by the link's path deletes what it stands for, as Windows does.
    EXPECT_EQ(registry().RegDeleteKeyW(machine, u"System\\CurrentControlSet\\Control\\Made"),
              kErrorSuccess);
    EXPECT_EQ(Open(machine, u"System\\ControlSet001\\Control\\Made", &key), kErrorFileNotFound);
}

TEST_F(WineLinks, ALinkInOneFileReachesAKeyOfAnother) {
    EXPECT_EQ(Query(user, u"Software\\ToMachine", u"Where"), Utf16z(u"alpha"));
    EXPECT_EQ(Query(user, u"Software\\ToSelf", u"Version"), Utf16z(u"win10"));
    EXPECT_EQ(Query(RootKey(kHkeyUsers), u"S-1-5-21-0-0-0-1000\\Software\\ToSelf", u"Version"),
              Utf16z(u"win10"));

    const std::string userBefore = Read(dir.File("user.reg"));
    Hkey made = kNullKey;
    ASSERT_EQ(registry().RegCreateKeyExW(user, u"Software\\ToMachine\\FromUser", 0, nullptr, 0,
                                         kKeyAllAccess, nullptr, &made, nullptr),
              kErrorSuccess);
    registry().RegCloseKey(made);
    EXPECT_NE(Read(dir.File("system.reg")).find("[Software\\\\Alpha\\\\FromUser]"),
              std::string::npos);
    EXPECT_EQ(Read(dir.File("user.reg")), userBefore);
    EXPECT_EQ(registry().RegDeleteKeyW(user, u"Software\\ToMachine\\FromUser"), kErrorSuccess);
    EXPECT_EQ(Read(dir.File("system.reg")).find("FromUser"), std::string::npos);
}
