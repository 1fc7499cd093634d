#include "app/win32/license_window.h"

#include "app/win32/open_windows.h"

namespace app::win32 {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr int kTextId = 1000;
constexpr int kCloseId = 1001;

}  // namespace

LicenseWindow::LicenseWindow(License& logic, HFONT font) : logic_(logic) {
    const int dpi = ScreenDpi();
    CreateFor(L"VantrelLicense", reinterpret_cast<const wchar_t*>(kLicenseWindow.caption.data()),
              kStyle, CenteredFrame(kLicenseWindow.clientWidth, kLicenseWindow.clientHeight, kStyle, dpi),
              LoadLicenseIcon(32), LoadLicenseIcon(16));
    text_ = CreateControl(hwnd_, Find(kLicenseControls, "Text1"), kTextId, {}, dpi, font);
    close_ = CreateControl(hwnd_, Find(kLicenseControls, "Command1"), kCloseId, {}, dpi, font);
    // The text keeps its CR LF line ends, which a multi-line edit box wants.
    SetWindowTextW(text_, reinterpret_cast<const wchar_t*>(std::u16string(kLicenseText).c_str()));
    Track(hwnd_);
}

LicenseWindow::~LicenseWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

void LicenseWindow::Show() {
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    BringWindowToTop(hwnd_);
}

void LicenseWindow::Hide() { ShowWindow(hwnd_, SW_HIDE); }

LRESULT LicenseWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kCloseId && HIWORD(wParam) == BN_CLICKED) {
                logic_.Command1_Click();  // destroys this window and object
                return 0;
            }
            break;
        case WM_CLOSE:
            logic_.Form_Unload();  // the frame's close box; destroys this window and object
            return 0;
        case WM_DESTROY:
            Untrack(hwnd_);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace app::win32
