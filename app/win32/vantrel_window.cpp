#include "app/win32/vantrel_window.h"

#include <commctrl.h>

#include "app/win32/license_window.h"
#include "app/win32/open_windows.h"
#include "platform/codepage.h"

namespace app::win32 {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

}  // namespace

VantrelWindow::VantrelWindow() : form_(*this), controls_(form_.Model()) {
    const Form& form = form_.Model();
    const int dpi = ScreenDpi();
    font_ = Font(kDefaultFont, dpi);
    titleFont_ = Font(kTitleFont, dpi);
    icon_ = LoadProgramIcon(32);
    const std::string caption = platform::codepage::Encode(form.Window().caption);
    CreateFor("VantrelMain", caption.c_str(), kStyle, CenteredFrame(form.ClientArea(dpi), kStyle),
              icon_, LoadProgramIcon(16));
    Track(hwnd_);

    controls_.Create(hwnd_, dpi, [this](const ControlDefinition& definition) {
        return definition.font ? titleFont_.get() : font_.get();
    });
    for (ControlId id = 0; id < form.ControlCount(); ++id) {
        if (form.Definition(id).kind == ControlKind::TabControl) tabs_ = controls_[id];
    }
    for (std::size_t line = 0; line < form.Lines().size(); ++line) {
        const PixelRect place = form.LinePlace(line, dpi);
        lines_.push_back(CreateWindowExA(0, "STATIC", "", WS_CHILD, place.left, place.top,
                                         place.width, place.height, hwnd_, nullptr,
                                         GetModuleHandleA(nullptr), nullptr));
        if (!lines_.back()) throw WindowError("A line of the window cannot be created.");
    }
    for (std::size_t i = 0; tabs_ && i < form.TabCaptions().size(); ++i) {
        std::string text = platform::codepage::Encode(form.TabCaptions()[i]);
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        SendMessageA(tabs_, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
    }
    // The tab control lies beneath the controls placed on its pages.
    if (tabs_)
        SetWindowPos(tabs_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    form_.Model().Observe(this);
}

VantrelWindow::~VantrelWindow() {
    form_.Model().Observe(nullptr);
    if (hwnd_) DestroyWindow(hwnd_);
}

HWND VantrelWindow::LicenseHandle() const {
    return IsWindow(licenseHandle_) ? licenseHandle_ : nullptr;
}

void VantrelWindow::ControlChanged(ControlId id) { controls_.Apply(id); }

void VantrelWindow::LineChanged(std::size_t line) {
    ShowWindow(lines_[line], form_.Model().LineVisible(line) ? SW_SHOWNA : SW_HIDE);
}

void VantrelWindow::FocusMoved(ControlId id) { ::SetFocus(controls_[id]); }

void VantrelWindow::Show() {
    ShowWindow(hwnd_, shownBefore_ ? SW_SHOW : SW_SHOWNORMAL);
    shownBefore_ = true;
    UpdateWindow(hwnd_);
}

void VantrelWindow::ShowMessage(const std::u16string& text) {
    MessageBoxA(hwnd_, platform::codepage::Encode(text).c_str(),
                platform::codepage::Encode(form_.Model().Window().caption).c_str(),
                MB_OK | MB_ICONWARNING);
}

// Every window goes without further events, then the message loop ends.
void VantrelWindow::EndProgram() {
    form_.Disconnect();
    const std::vector<HWND> windows = OpenWindows();
    for (HWND window : windows) ShowWindow(window, SW_HIDE);
    for (HWND window : windows) DestroyWindow(window);
}

std::unique_ptr<LicenseView> VantrelWindow::CreateLicenseWindow(License& logic) {
    auto window = std::make_unique<LicenseWindow>(logic, font_.get());
    licenseHandle_ = window->Handle();
    return window;
}

void VantrelWindow::PaintPageBackground(HWND control, HDC dc) const {
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, tabs_, reinterpret_cast<POINT*>(&place), 2);
    POINT origin{};
    OffsetViewportOrgEx(dc, -place.left, -place.top, &origin);
    SendMessageA(tabs_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
}

// Labels stand on whatever the tab control draws for its page, themed or not; the rules
// are drawn in the window's text colour, as the Qt front end draws them.
LRESULT VantrelWindow::StaticColours(HWND control, HDC dc) const {
    for (HWND line : lines_) {
        if (line == control) return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOWTEXT));
    }
    const auto id = controls_.IdOf(control);
    if (!id || !tabs_ || form_.Model().Definition(*id).page == Page::Window) {
        return DefWindowProcA(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                              reinterpret_cast<LPARAM>(control));
    }
    PaintPageBackground(control, dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

// The picture at its own size in the top-left corner of its box, as a picture box shows it.
void VantrelWindow::DrawPicture(const DRAWITEMSTRUCT& item) const {
    PaintPageBackground(item.hwndItem, item.hDC);
    DrawIconEx(item.hDC, item.rcItem.left, item.rcItem.top, icon_, 32, 32, 0, nullptr, DI_NORMAL);
}

LRESULT VantrelWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            controls_.Command(wParam, lParam);  // may end the program
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == tabs_ && header->code == TCN_SELCHANGE) {
                form_.Model().SelectTab(static_cast<int>(SendMessageA(tabs_, TCM_GETCURSEL, 0, 0)));
            }
            return 0;
        }
        case WM_CTLCOLORSTATIC:
            return StaticColours(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
        case WM_DRAWITEM:
            DrawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
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
