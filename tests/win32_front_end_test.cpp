// The Win32 front end driven through window messages as a user drives it, with the real
// registry of Windows (Wine here) behind it.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>

#include "app/vantrel.h"
#include "app/win32/form_controls.h"
#include "app/win32/vantrel_window.h"
#include "code_page.h"
#include "native_platform.h"
#include "recording_registry.h"
#include "test_registry.h"

using namespace platform;
using app::Button;
using app::TextBox;

namespace {

const Hkey kMachine = RootKey(kHkeyLocalMachine);
const char* const kVersionKey = "Software\\Microsoft\\Windows\\CurrentVersion";
const char* const kNtVersionKey = "Software\\Microsoft\\Windows NT\\CurrentVersion";

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// Saves what a window's client area shows as a .bmp file. Only the client area: under
// Wine on a virtual desktop the title bar and borders are never painted into the screen,
// and would come out as black bands.
void SaveScreenshot(HWND window, const std::string& path) {
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    const RECT rect{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    // Copied from the screen: what the user sees, children included.
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    std::string pixels(static_cast<std::size_t>((width * 3 + 3) & ~3) * height, '\0');
    GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfSize = static_cast<DWORD>(sizeof file + sizeof info + pixels.size());
    file.bfOffBits = sizeof file + sizeof info;
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&file, sizeof file, 1, out);
        std::fwrite(&info, sizeof info, 1, out);
        std::fwrite(pixels.data(), 1, pixels.size(), out);
        std::fclose(out);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

class Win32FrontEnd : public ::testing::Test {
protected:
    testing_support::TestRegistry test;
    testing_support::RecordingRegistry registry{test.Api()};
    std::unique_ptr<app::win32::VantrelWindow> window;
    std::unique_ptr<app::Vantrel> logic;
    bool quit = false;

    void SetUp() override {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES};
        InitCommonControlsEx(&controls);
        Put("RegisteredOwner", "Ann Owner");
        Put("RegisteredOrganization", "Org Ltd");
        Put("ProductId", "12345-OEM");
        Put("ProductKey", "AAAAA-BBBBB");
        window = std::make_unique<app::win32::VantrelWindow>();
        logic = std::make_unique<app::Vantrel>(
            platform::Platform{registry, testing_support::NativeSystem()}, window->View());
        window->Connect(*logic);
        logic->Form_Load();
        Pump();
    }
    void TearDown() override {
        logic.reset();
        window.reset();
        Pump();
    }

    // Where the editor reads and writes the registration values on this Windows.
    const char* RegistrationKey() {
        return test.Api().Family() == RegistryFamily::WindowsNt ? kNtVersionKey : kVersionKey;
    }
    void Put(const char* name, const std::string& text) {
        Hkey key = kNullKey;
        ASSERT_EQ(test.Api().RegCreateKeyExA(kMachine, RegistrationKey(), 0, nullptr, 0,
                                             kKeyAllAccess, nullptr, &key, nullptr),
                  kErrorSuccess);
        test.Api().RegSetValueExA(key, name, 0, kRegSz,
                                  reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                  static_cast<Dword>(text.size() + 1));
        test.Api().RegCloseKey(key);
    }
    std::string Stored(const char* name) {
        Hkey key = kNullKey;
        test.Api().RegOpenKeyExA(kMachine, RegistrationKey(), 0, kKeyAllAccess, &key);
        char data[256] = {};
        Dword size = sizeof data - 1;
        const Long status = test.Api().RegQueryValueExA(
            key, name, nullptr, nullptr, reinterpret_cast<std::uint8_t*>(data), &size);
        test.Api().RegCloseKey(key);
        return status == kErrorSuccess ? data : "missing";
    }

    // Delivers what is queued, as the message loop would; notes the end of the program.
    void Pump() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    void Click(HWND button) {
        SendMessageW(button, BM_CLICK, 0, 0);
        Pump();
    }
    void ClickTab(int index) {
        RECT item{};
        SendMessageW(window->Tabs(), TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item));
        const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
        SendMessageW(window->Tabs(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(window->Tabs(), WM_LBUTTONUP, 0, at);
        Pump();
    }
    void Type(HWND box, const std::string& text) {
        SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        for (const char c : text) SendMessageW(box, WM_CHAR, static_cast<WPARAM>(c), 0);
        Pump();
    }
    std::string Shown(HWND control) { return Narrow(app::win32::WindowText(control)); }
    // The licence window, while it exists.
    HWND LicenseHandle() { return FindWindowW(L"VantrelLicense", nullptr); }
    void Screenshot(const char* name) {
        if (const char* folder = std::getenv("VANTREL_SCREENSHOTS")) {
            SetForegroundWindow(window->Handle());
            RedrawWindow(window->Handle(), nullptr, nullptr,
                         RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
            for (int i = 0; i < 20; ++i) {
                Pump();
                Sleep(25);
            }
            SaveScreenshot(window->Handle(), std::string(folder) + "\\" + name + ".bmp");
        }
    }
};

// Answers the first message box that appears, and keeps its text. A thread of the
// system's own, since the 32-bit toolchain's thread model has no std::thread. It looks
// until the box is there or the test is over, however long a busy Wine takes to show it:
// the test waits in the box's own loop meanwhile.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer()
        : thread_(CreateThread(nullptr, 0, &MessageBoxAnswerer::Run, this, 0, nullptr)) {}
    ~MessageBoxAnswerer() {
        stop_ = true;
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    std::atomic<bool> answered{false};
    std::string text;

private:
    static DWORD WINAPI Run(void* self) {
        static_cast<MessageBoxAnswerer*>(self)->Answer();
        return 0;
    }
    void Answer() {
        while (!stop_) {
            // Visible only once its texts are all made.
            HWND box = FindWindowA("#32770", "Vantrel Edit 98");
            if (box && IsWindowVisible(box)) {
                HWND label = nullptr;
                while ((label = FindWindowExA(box, label, "Static", nullptr))) {
                    text += Narrow(app::win32::WindowText(label));
                }
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                answered = true;
                return;
            }
            Sleep(10);
        }
    }

    std::atomic<bool> stop_{false};
    HANDLE thread_;
};

}  // namespace

TEST_F(Win32FrontEnd, LoadsTheValuesAndSavesWhatIsTypedOnOk) {
    EXPECT_EQ(Shown(window->Box(TextBox::Text1)), "Ann Owner");
    EXPECT_EQ(Shown(window->Box(TextBox::Text4)), "AAAAA-BBBBB");
    EXPECT_EQ(GetFocus(), window->Box(TextBox::Text1));
    Screenshot("win32-registration-info");
    Type(window->Box(TextBox::Text1), "Typed Owner");
    Click(window->ButtonOf(Button::Command1));
    EXPECT_TRUE(quit);
    EXPECT_FALSE(IsWindow(window->Handle()));
    EXPECT_EQ(Stored("RegisteredOwner"), "Typed Owner");
}

TEST_F(Win32FrontEnd, TheAboutTabDisablesOkAndClearAndShowsOnlyItsControls) {
    ClickTab(1);
    Screenshot("win32-about");
    EXPECT_FALSE(IsWindowEnabled(window->ButtonOf(Button::Command1)));
    EXPECT_FALSE(IsWindowEnabled(window->ButtonOf(Button::Command3)));
    EXPECT_TRUE(IsWindowVisible(window->ButtonOf(Button::Command4)));
    EXPECT_FALSE(IsWindowVisible(window->Box(TextBox::Text1)));
    ClickTab(0);
    EXPECT_TRUE(IsWindowEnabled(window->ButtonOf(Button::Command1)));
    EXPECT_TRUE(IsWindowEnabled(window->ButtonOf(Button::Command3)));
    EXPECT_TRUE(IsWindowVisible(window->Box(TextBox::Text1)));
}

TEST_F(Win32FrontEnd, ControlsSitWhereTheirTwipsSay) {
    const int dpi = app::win32::ScreenDpi();
    RECT client{};
    GetClientRect(window->Handle(), &client);
    EXPECT_EQ(client.right, MulDiv(5595, dpi, 1440));
    EXPECT_EQ(client.bottom, MulDiv(2925, dpi, 1440));
    RECT ok{};
    GetWindowRect(window->ButtonOf(Button::Command1), &ok);
    MapWindowPoints(nullptr, window->Handle(), reinterpret_cast<POINT*>(&ok), 2);
    EXPECT_EQ(ok.left, MulDiv(1440, dpi, 1440));
    EXPECT_EQ(ok.top, MulDiv(2400, dpi, 1440));
    RECT box{};
    GetWindowRect(window->Box(TextBox::Text1), &box);
    MapWindowPoints(nullptr, window->Handle(), reinterpret_cast<POINT*>(&box), 2);
    EXPECT_EQ(box.left, MulDiv(2040, dpi, 1440));
    EXPECT_EQ(box.top, MulDiv(120, dpi, 1440) + MulDiv(600, dpi, 1440));
}

TEST_F(Win32FrontEnd, ClearEmptiesTheBoxesAndCancelEndsWithoutWriting) {
    Click(window->ButtonOf(Button::Command3));
    EXPECT_EQ(Shown(window->Box(TextBox::Text1)), "");
    EXPECT_EQ(Shown(window->Box(TextBox::Text3)), "");
    Click(window->ButtonOf(Button::Command2));
    EXPECT_TRUE(quit);
    EXPECT_EQ(Stored("RegisteredOwner"), "Ann Owner");
}

TEST_F(Win32FrontEnd, LicenseTwiceGivesOneWindowAndCloseThenLicenseAFreshOne) {
    ClickTab(1);
    Click(window->ButtonOf(Button::Command4));
    const HWND first = LicenseHandle();
    ASSERT_NE(first, nullptr);
    Click(window->ButtonOf(Button::Command4));
    EXPECT_EQ(LicenseHandle(), first);
    EXPECT_EQ(FindWindowExW(nullptr, first, L"VantrelLicense", nullptr), nullptr);
    HWND text = GetDlgItem(first, 1000);
    EXPECT_EQ(Shown(text).rfind("VANTREL EDIT 98 LICENSE AGREEMENT\r\n", 0), 0u);
    EXPECT_TRUE(GetWindowLongW(text, GWL_STYLE) & ES_READONLY);
    Click(GetDlgItem(first, 1001));  // "Close"
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(quit);
    Click(window->ButtonOf(Button::Command4));
    EXPECT_NE(LicenseHandle(), nullptr);
    EXPECT_EQ(SendMessageW(GetDlgItem(LicenseHandle(), 1000), EM_GETFIRSTVISIBLELINE, 0, 0),
              0);
}

TEST_F(Win32FrontEnd, TheProgramEndsOnlyWhenTheLastWindowCloses) {
    ClickTab(1);
    Click(window->ButtonOf(Button::Command4));
    const HWND license = LicenseHandle();
    SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindow(window->Handle()));
    EXPECT_TRUE(IsWindow(license));
    EXPECT_FALSE(quit);
    SendMessageW(license, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindow(license));
    EXPECT_TRUE(quit);
    EXPECT_EQ(Stored("RegisteredOwner"), "Ann Owner");
}

TEST_F(Win32FrontEnd, AFailedSaveIsToldAndTheWindowStaysOpen) {
    registry.Inject({"RegSetValueExA", std::string("RegisteredOwner"), kErrorAccessDenied, 1});
    Type(window->Box(TextBox::Text1), "Refused Owner");
    MessageBoxAnswerer answerer;
    Click(window->ButtonOf(Button::Command1));
    EXPECT_TRUE(answerer.answered);
    EXPECT_NE(answerer.text.find("Registered Owner"), std::string::npos) << answerer.text;
    EXPECT_FALSE(quit);
    EXPECT_TRUE(IsWindow(window->Handle()));
    EXPECT_EQ(Stored("RegisteredOwner"), "Ann Owner");
    EXPECT_EQ(Stored("ProductKey"), "AAAAA-BBBBB");
}

TEST_F(Win32FrontEnd, EnterAndEscapePressNoButton) {
    for (const WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        MSG message{};
        message.hwnd = window->Box(TextBox::Text1);
        message.message = WM_KEYDOWN;
        message.wParam = key;
        app::win32::FormWindow::TranslateDialogKeys(message);
    }
    Pump();
    EXPECT_FALSE(quit);
    EXPECT_TRUE(IsWindow(window->Handle()));
}

// Where Tab and Shift+Tab take the focus, as names, starting on `from`.
std::vector<std::string> FocusWalk(app::win32::VantrelWindow& window, HWND from, int steps,
                                   bool backwards) {
    SetFocus(from);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = backwards ? 0x80 : 0;
    SetKeyboardState(keys);
    std::vector<std::string> names;
    for (int i = 0; i < steps; ++i) {
        MSG message{};
        message.hwnd = GetFocus();
        message.message = WM_KEYDOWN;
        message.wParam = VK_TAB;
        EXPECT_TRUE(app::win32::FormWindow::TranslateDialogKeys(message));
        std::string name = "outside";
        for (app::ControlId id = 0; id < window.Model().ControlCount(); ++id) {
            if (window.Control(id) == GetFocus()) name = window.Model().Definition(id).name;
        }
        names.push_back(name);
    }
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    return names;
}

TEST_F(Win32FrontEnd, TabAndShiftTabFollowTheFormsOrderOnEachPage) {
    using Names = std::vector<std::string>;
    EXPECT_EQ(
        FocusWalk(*window, window->ButtonOf(Button::Command1), 8, false),
        (Names{"Command2", "Command3", "SSTab1", "Text1", "Text2", "Text3", "Text4", "Command1"}));
    EXPECT_EQ(FocusWalk(*window, window->Box(TextBox::Text1), 3, true),
              (Names{"SSTab1", "Command3", "Command2"}));
    ClickTab(1);
    EXPECT_EQ(FocusWalk(*window, window->ButtonOf(Button::Command2), 3, false),
              (Names{"SSTab1", "Command4", "Command2"}));
}

// What a control draws of itself, into a bitmap of its size.
class Printed {
public:
    explicit Printed(HWND control) {
        RECT rect{};
        GetClientRect(control, &rect);
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, rect.right, rect.bottom);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_),
                     PRF_CLIENT | PRF_ERASEBKGND);
    }
    ~Printed() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

POINT Offset(HWND control, HWND within) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, within, reinterpret_cast<POINT*>(&rect), 2);
    return {rect.left, rect.top};
}

TEST_F(Win32FrontEnd, LabelsAndThePictureStandOnThePagesOwnBackground) {
    ClickTab(1);
    const Printed page(window->Tabs());
    for (const char* name : {"Label5", "Label7", "Picture1"}) {
        HWND control = nullptr;
        for (app::ControlId id = 0; id < window->Model().ControlCount(); ++id) {
            if (window->Model().Definition(id).name == name) control = window->Control(id);
        }
        ASSERT_NE(control, nullptr);
        RECT size{};
        GetClientRect(control, &size);
        const POINT at = Offset(control, window->Tabs());
        const Printed drawn(control);
        // The bottom-right corner holds no text and no icon: only the background shows.
        const int x = size.right - 1, y = size.bottom - 1;
        EXPECT_EQ(drawn.At(x, y), page.At(at.x + x, at.y + y)) << name;
    }
}

TEST_F(Win32FrontEnd, ThePictureKeepsItsSizeAndTheTitleItsLine) {
    const int dpi = app::win32::ScreenDpi();
    for (app::ControlId id = 0; id < window->Model().ControlCount(); ++id) {
        const auto& definition = window->Model().Definition(id);
        if (definition.name != "Picture1" && definition.name != "Label5") continue;
        RECT size{};
        GetClientRect(window->Control(id), &size);
        EXPECT_EQ(size.right, MulDiv(definition.rect.width, dpi, 1440)) << definition.name;
        EXPECT_EQ(size.bottom, MulDiv(definition.rect.height, dpi, 1440)) << definition.name;
        if (definition.name == "Label5") {
            HDC dc = GetDC(window->Control(id));
            SelectObject(
                dc, reinterpret_cast<HFONT>(SendMessageW(window->Control(id), WM_GETFONT, 0, 0)));
            SIZE text{};
            GetTextExtentPoint32W(dc, L"Vantrel Edit 98", 15, &text);
            ReleaseDC(window->Control(id), dc);
            EXPECT_LE(text.cx, size.right) << "the title wraps";
        }
    }
}

TEST_F(Win32FrontEnd, PastedTextTheCodePageCannotHoldIsRefusedAndNothingIsWritten) {
    if (testing_support::TestRegistry::IsWindows9x()) {
        GTEST_SKIP() << "Windows 9x edit boxes hold text of the code page only: none can be pasted "
                        "that the registry could not keep";
    }
    SetWindowTextW(window->Box(TextBox::Text1), L"\u0141\u00F3d\u017A \u6771\u4EAC");
    Pump();
    MessageBoxAnswerer answerer;
    Click(window->ButtonOf(Button::Command1));
    if (GetACP() == CP_UTF8) {
        // The program's manifest asks for UTF-8 where Windows (and Wine) honour it: then the
        // 8-bit functions carry any text, and the pasted name is saved as it was typed.
        EXPECT_FALSE(answerer.answered) << answerer.text;
        EXPECT_TRUE(quit);
        EXPECT_EQ(Stored("RegisteredOwner"), "\xC5\x81\xC3\xB3" "d\xC5\xBA \xE6\x9D\xB1\xE4\xBA\xAC");
        return;
    }
    EXPECT_TRUE(answerer.answered);
    EXPECT_NE(answerer.text.find("Nothing was saved"), std::string::npos) << answerer.text;
    EXPECT_NE(answerer.text.find("Registered Owner."), std::string::npos) << answerer.text;
    EXPECT_FALSE(quit);
    EXPECT_TRUE(IsWindow(window->Handle()));
    EXPECT_EQ(Stored("RegisteredOwner"), "Ann Owner");
}

namespace {

const std::u16string kPolishName = u"\u0141ukasz \u017B\u00F3\u0142w";

// The window as the program makes it: on the editor's own 8-bit registry, whose lossy
// reads it is told of, over a name stored in its Unicode form.
class Win32Names : public Win32FrontEnd {
protected:
    void Restart() {
        logic.reset();
        window.reset();
        Pump();
        // The first window's end was the program's; this one starts it afresh.
        quit = false;
        Hkey key = kNullKey;
        ASSERT_EQ(test.Api().RegOpenKeyExA(kMachine, RegistrationKey(), 0, kKeyAllAccess, &key),
                  kErrorSuccess);
        test.Api().RegSetValueExW(key, u"RegisteredOwner", 0, kRegSz,
                                  reinterpret_cast<const std::uint8_t*>(kPolishName.c_str()),
                                  static_cast<Dword>((kPolishName.size() + 1) * 2));
        test.Api().RegCloseKey(key);
        window = std::make_unique<app::win32::VantrelWindow>();
        logic = std::make_unique<app::Vantrel>(
            platform::Platform{test.EditorApi(), testing_support::NativeSystem()}, window->View(),
            app::Vantrel::ProblemSource{}, &test.EditorLosses());
        window->Connect(*logic);
    }
    std::u16string StoredOwner() {
        Hkey key = kNullKey;
        test.Api().RegOpenKeyExA(kMachine, RegistrationKey(), 0, kKeyAllAccess, &key);
        char16_t data[128] = {};
        Dword size = sizeof data - 2;
        test.Api().RegQueryValueExW(key, u"RegisteredOwner", nullptr, nullptr,
                                    reinterpret_cast<std::uint8_t*>(data), &size);
        test.Api().RegCloseKey(key);
        return data;
    }
};

}  // namespace

TEST_F(Win32Names, ANameTheCodePageLacksIsNamedAtLoadAndNotWrittenBack) {
    if (testing_support::TestRegistry::IsWindows9x()) {
        GTEST_SKIP() << "the 9x registry keeps code-page text only: nothing is lost on the way";
    }
    ASSUME_CODE_PAGE(1252);
    Restart();
    {
        MessageBoxAnswerer answerer;
        logic->Form_Load();
        Pump();
        EXPECT_TRUE(answerer.answered);
        EXPECT_EQ(answerer.text.find("Registered Owner holds characters"), 0u) << answerer.text;
    }
    // Wine puts look-alikes where it can; what is shown is not the stored name either way.
    EXPECT_NE(app::win32::WindowText(window->Box(TextBox::Text1)), kPolishName);
    MessageBoxAnswerer answerer;
    Click(window->ButtonOf(Button::Command1));
    EXPECT_TRUE(answerer.answered);
    EXPECT_EQ(answerer.text,
              "Nothing was saved. Registered Owner holds characters that this system's code "
              "page cannot show; retype it, or press Cancel to keep it as it is.");
    EXPECT_FALSE(quit);
    EXPECT_EQ(StoredOwner(), kPolishName);
}

TEST_F(Win32Names, InUtf8TheNameIsShownAndSavedWhole) {
    ASSUME_CODE_PAGE(65001);
    Restart();
    logic->Form_Load();
    Pump();
    EXPECT_EQ(app::win32::WindowText(window->Box(TextBox::Text1)), kPolishName);
    Click(window->ButtonOf(Button::Command1));
    EXPECT_TRUE(quit);
    EXPECT_EQ(StoredOwner(), kPolishName);
}

// Each label's text, measured with the label's own font, fits the label, and ends a few
// pixels short of the box beside it: a label that touches its box reads as part of it.
TEST_F(Win32FrontEnd, EveryLabelsTextFitsItsWidthAndStopsShortOfItsBox) {
    ClickTab(1);  // every page's controls made and shown once
    ClickTab(0);
    const app::Form& form = window->Model();
    for (app::ControlId id = 0; id < form.ControlCount(); ++id) {
        const auto& label = form.Definition(id);
        if (label.kind != app::ControlKind::Label) continue;
        HWND control = window->Control(id);
        HDC dc = GetDC(control);
        const HGDIOBJ old = SelectObject(
            dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        SIZE text{};
        const std::u16string caption(label.caption);
        GetTextExtentPoint32W(dc, reinterpret_cast<const wchar_t*>(caption.c_str()),
                              static_cast<int>(caption.size()), &text);
        SelectObject(dc, old);
        ReleaseDC(control, dc);
        RECT own{};
        GetWindowRect(control, &own);
        EXPECT_LE(text.cx, own.right - own.left) << label.name << " wraps or is cut";
        for (app::ControlId other = 0; other < form.ControlCount(); ++other) {
            const auto& box = form.Definition(other);
            if (box.kind != app::ControlKind::TextBox || box.page != label.page ||
                box.rect.top != label.rect.top) {
                continue;
            }
            RECT beside{};
            GetWindowRect(window->Control(other), &beside);
            EXPECT_LE(own.left + text.cx + 4, beside.left) << label.name << " touches " << box.name;
            EXPECT_LE(own.right, beside.left) << label.name << " reaches into " << box.name;
        }
    }
}
