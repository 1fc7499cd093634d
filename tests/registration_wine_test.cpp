// The editor on the real registry of the Windows that Wine reports, read back by Wine's own
// reg.exe: on Windows NT it shows and saves the registration values in the NT key and the
// 9x key, in the 64-bit view that Windows shows, also from a 32-bit build under WoW64; on
// Windows 9x it keeps to the 9x key.
#include <windows.h>
// After windows.h, as the other Windows tests have it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/vantrel.h"
#include "fake_views.h"
#include "native_platform.h"
#include "platform/win32/win32_registry.h"

using app::TextBox;

namespace {

const char* const kNtKey = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion";
const char* const k9xKey = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion";

bool IsWow64() {
    using IsWow64Process = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = reinterpret_cast<IsWow64Process>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

// Whether this Windows has a 64-bit view of the registry beside a 32-bit one.
bool Has64BitView() { return sizeof(void*) == 8 || IsWow64(); }

// Runs Wine's reg.exe with arguments; its output.
std::string Reg(const std::string& arguments) {
    std::string output;
    FILE* pipe = _popen(("reg " + arguments + " 2>&1").c_str(), "r");
    if (!pipe) return "(reg did not start)";
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    _pclose(pipe);
    return output;
}

std::string View(bool view64) { return view64 ? " /reg:64" : " /reg:32"; }

// The text of a REG_SZ value as reg.exe lists it in the given view, or "missing".
std::string Query(const char* key, const char* name, bool view64 = true) {
    const std::string listing =
        Reg(std::string("query \"") + key + "\" /v " + name + (Has64BitView() ? View(view64) : ""));
    const std::size_t type = listing.find("REG_SZ");
    if (type == std::string::npos) return "missing";
    std::size_t start = listing.find_first_not_of(' ', type + 6);
    if (start == std::string::npos) return "";
    const std::size_t end = listing.find_first_of("\r\n", start);
    return listing.substr(start, end - start);
}

void Add(const char* key, const char* name, const char* text, bool view64 = true) {
    const std::string answer = Reg(std::string("add \"") + key + "\" /v " + name + " /d \"" + text +
                                   "\" /f" + (Has64BitView() ? View(view64) : ""));
    ASSERT_NE(answer.find("success"), std::string::npos) << answer;
}

// The version Windows reports of itself. GetVersion says 6.2 on every later Windows to a
// program whose manifest does not name them; ntdll's RtlGetVersion tells the truth.
std::string ReportedVersion() {
    using GetVersionOf = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto rtlGetVersion = reinterpret_cast<GetVersionOf>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion")));
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!rtlGetVersion || rtlGetVersion(&info) != 0) {
        const DWORD version = GetVersion();
        return std::to_string(LOBYTE(LOWORD(version))) + "." +
               std::to_string(HIBYTE(LOWORD(version)));
    }
    return std::to_string(info.dwMajorVersion) + "." + std::to_string(info.dwMinorVersion);
}

class Registration : public ::testing::Test {
protected:
    platform::win32::Win32Registry registry;
    testing_support::FakeVantrelView view;
    std::unique_ptr<app::Vantrel> editor;

    void Load() {
        editor = std::make_unique<app::Vantrel>(
            platform::Platform{registry, testing_support::NativeSystem()}, view);
        editor->Form_Load();
    }
    void Type(TextBox box, const std::u16string& text) {
        view.texts[static_cast<std::size_t>(box)] = text;
    }
    const std::u16string& Shown(TextBox box) { return view.texts[static_cast<std::size_t>(box)]; }
    bool Nt() const { return registry.Family() == platform::RegistryFamily::WindowsNt; }
};

}  // namespace

TEST_F(Registration, WineReportsTheWindowsThisRunAsksFor) {
    const std::string reported = ReportedVersion();
    EXPECT_EQ(Nt(), (GetVersion() & 0x80000000u) == 0) << reported;
    const char* expected = std::getenv("VANTREL_EXPECT_WINDOWS");
    if (!expected) GTEST_SKIP() << "Windows " << reported << ", as the prefix reports it";
    EXPECT_EQ(reported, expected);
}

TEST_F(Registration, TheNtKeyIsShownAndOkWritesBothKeysInTheViewWindowsShows) {
    if (!Nt()) GTEST_SKIP() << "Windows 9x has no NT key";
    Add(kNtKey, "RegisteredOwner", "NT Owner");
    Add(kNtKey, "ProductId", "OLD-ID");
    Add(k9xKey, "RegisteredOwner", "9x Owner");
    Add(k9xKey, "RegisteredOrganization", "9x Org");
    Reg(std::string("delete \"") + kNtKey + "\" /v RegisteredOrganization /f" +
        (Has64BitView() ? View(true) : ""));
    if (Has64BitView()) Add(kNtKey, "ProductId", "32-BIT-ID", false);
    Load();
    EXPECT_EQ(Shown(TextBox::Text1), u"NT Owner");
    EXPECT_EQ(Shown(TextBox::Text2), u"9x Org");
    EXPECT_EQ(Shown(TextBox::Text3), u"OLD-ID");

    Type(TextBox::Text3, u"NEW-ID");
    editor->Command1_Click();
    EXPECT_TRUE(view.ended);
    EXPECT_TRUE(view.messages.empty());
    for (const char* key : {kNtKey, k9xKey}) {
        EXPECT_EQ(Query(key, "RegisteredOwner"), "NT Owner") << key;
        EXPECT_EQ(Query(key, "RegisteredOrganization"), "9x Org") << key;
        EXPECT_EQ(Query(key, "ProductId"), "NEW-ID") << key;
    }
    // The 32-bit view keeps what it held: nothing went to Wow6432Node.
    if (Has64BitView()) {
        EXPECT_EQ(Query(kNtKey, "ProductId", false), "32-BIT-ID");
    }
}

TEST_F(Registration, On9xOnlyThe9xKeyIsReadAndWritten) {
    if (Nt()) GTEST_SKIP() << "Windows NT keeps the values in its own key";
    Add(k9xKey, "RegisteredOwner", "9x Owner");
    const std::string ntOwner = Query(kNtKey, "RegisteredOwner");
    Load();
    EXPECT_EQ(Shown(TextBox::Text1), u"9x Owner");
    Type(TextBox::Text1, u"New 9x Owner");
    editor->Command1_Click();
    EXPECT_TRUE(view.ended);
    EXPECT_EQ(Query(k9xKey, "RegisteredOwner"), "New 9x Owner");
    EXPECT_EQ(Query(kNtKey, "RegisteredOwner"), ntOwner);
}
