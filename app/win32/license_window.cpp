#include "app/win32/license_window.h"

#include "app/vantrel_form.h"
#include "app/win32/open_windows.h"
#include "platform/codepage.h"

namespace app::win32 {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr ControlId kText = IndexOf(kLicenseControls, "Text1");
constexpr ControlId kClose = IndexOf(kLicenseControls, "Command1");

}  // namespace

LicenseWindow::LicenseWindow(License& logic, HFONT font)
    : logic_(logic), form_(MakeLicenseForm(logic)), controls_(*form_) {
    const int dpi = ScreenDpi();
    const std::string caption = platform::codepage::Encode(form_->Window().caption);
    CreateFor("VantrelLicense", caption.c_str(), kStyle,
              CenteredFrame(form_->ClientArea(dpi), kStyle), LoadLicenseIcon(32),
              LoadLicenseIcon(16));
    // The text keeps its CR LF line ends, which a multi-line edit box wants.
    controls_.Create(hwnd_, dpi, [font](const ControlDefinition&) { return font; });
    Track(hwnd_);
}

LicenseWindow::~LicenseWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

HWND LicenseWindow::TextBox() const { return controls_[kText]; }
HWND LicenseWindow::CloseButton() const { return controls_[kClose]; }

void LicenseWindow::Show() {
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    BringWindowToTop(hwnd_);
}

void LicenseWindow::Hide() { ShowWindow(hwnd_, SW_HIDE); }

LRESULT LicenseWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            controls_.Command(wParam, lParam);  // "Close" destroys this window and object
            return 0;
        case WM_CLOSE:
            logic_.Form_Unload();  // the frame's close box; destroys this window and object
            return 0;
        case kMoveFocusMessage:
            return controls_.MoveFocus(wParam != 0) ? 1 : 0;
        case WM_DESTROY:
            Untrack(hwnd_);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

}  // namespace app::win32
