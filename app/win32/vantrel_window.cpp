#include "app/win32/vantrel_window.h"

#include <commctrl.h>

#include <algorithm>

#include "app/win32/license_window.h"
#include "app/win32/open_windows.h"

namespace app::win32 {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// Control ids start above IDOK and IDCANCEL, so that Enter and Esc press no button.
constexpr int kFirstId = 1000;

const wchar_t* Wide(std::u16string_view text) {
    return reinterpret_cast<const wchar_t*>(text.data());
}

int PageIndex(Page page) { return page == Page::RegistrationInfo ? 0 : 1; }

// A line drawn as a one-pixel black rectangle.
HWND CreateLine(HWND parent, const LineDefinition& line, POINT origin, int dpi) {
    const int left = TwipsToPixels(line.x1, dpi) + origin.x;
    const int top = TwipsToPixels(line.y1, dpi) + origin.y;
    return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_BLACKRECT, left, top,
                           TwipsToPixels(line.x2 - line.x1, dpi), 1, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

VantrelWindow::VantrelWindow() {
    const int dpi = ScreenDpi();
    font_ = Font(kDefaultFont, dpi);
    titleFont_ = Font(kTitleFont, dpi);
    CreateFor(L"VantrelMain", Wide(kVantrelWindow.caption), kStyle,
              CenteredFrame(kVantrelWindow.clientWidth, kVantrelWindow.clientHeight, kStyle, dpi),
              LoadProgramIcon(32), LoadProgramIcon(16));
    Track(hwnd_);

    // Created in tab order, which is the order Tab moves the focus in.
    std::vector<std::pair<const ControlDefinition*, int>> ordered;
    for (std::size_t i = 0; i < kVantrelControls.size(); ++i) {
        ordered.emplace_back(&kVantrelControls[i], kFirstId + static_cast<int>(i));
    }
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
        return a.first->tabIndex < b.first->tabIndex;
    });
    const ControlDefinition& tab = Find(kVantrelControls, "SSTab1");
    const POINT origin{TwipsToPixels(tab.rect.left, dpi), TwipsToPixels(tab.rect.top, dpi)};
    for (const auto& [definition, id] : ordered) {
        HFONT font = definition->font ? titleFont_.get() : font_.get();
        HWND control = CreateControl(hwnd_, *definition, id, origin, dpi, font);
        controls_.emplace_back(definition->name, control);
        if (definition->kind == ControlKind::TabControl) tabs_ = control;
        if (definition->kind == ControlKind::Picture) {
            SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(LoadProgramIcon(32)), 0);
        }
        if (definition->page != Page::Window) {
            pageControls_[PageIndex(definition->page)].push_back(control);
        }
    }
    for (const auto& line : kVantrelLines) {
        pageControls_[PageIndex(line.page)].push_back(CreateLine(hwnd_, line, origin, dpi));
    }
    for (std::size_t i = 0; i < kTabCaptions.size(); ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        std::u16string caption(kTabCaptions[i]);
        item.pszText = reinterpret_cast<wchar_t*>(caption.data());
        SendMessageW(tabs_, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    // The tab control lies beneath the controls placed on its pages.
    SetWindowPos(tabs_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    boxes_ = {Control("Text1"), Control("Text2"), Control("Text3"), Control("Text4")};
    buttons_ = {Control("Command1"), Control("Command2"), Control("Command3"), Control("Command4")};
    ShowPage(0);
}

VantrelWindow::~VantrelWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

HWND VantrelWindow::Control(std::string_view name) const {
    for (const auto& [controlName, control] : controls_) {
        if (controlName == name) return control;
    }
    return nullptr;
}

HWND VantrelWindow::LicenseHandle() const {
    return IsWindow(licenseHandle_) ? licenseHandle_ : nullptr;
}

void VantrelWindow::ShowPage(int index) {
    for (int page = 0; page < 2; ++page) {
        for (HWND control : pageControls_[static_cast<std::size_t>(page)]) {
            ShowWindow(control, page == index ? SW_SHOWNA : SW_HIDE);
        }
    }
}

void VantrelWindow::Show() {
    ShowWindow(hwnd_, shownBefore_ ? SW_SHOW : SW_SHOWNORMAL);
    shownBefore_ = true;
    UpdateWindow(hwnd_);
}

std::u16string VantrelWindow::Text(TextBox box) const { return WindowText(Box(box)); }

void VantrelWindow::SetText(TextBox box, const std::u16string& text) {
    SetWindowTextW(Box(box), Wide(text.c_str()));
}

void VantrelWindow::SetEnabled(Button button, bool enabled) {
    EnableWindow(ButtonOf(button), enabled);
}

void VantrelWindow::SetFocus(TextBox box) { ::SetFocus(Box(box)); }

void VantrelWindow::ShowMessage(const std::u16string& text) {
    MessageBoxW(hwnd_, Wide(text.c_str()), Wide(kVantrelWindow.caption), MB_OK | MB_ICONWARNING);
}

// Every window goes without further events, then the message loop ends.
void VantrelWindow::EndProgram() {
    logic_ = nullptr;
    const std::vector<HWND> windows = OpenWindows();
    for (HWND window : windows) ShowWindow(window, SW_HIDE);
    for (HWND window : windows) DestroyWindow(window);
}

std::unique_ptr<LicenseView> VantrelWindow::CreateLicenseWindow(License& logic) {
    auto window = std::make_unique<LicenseWindow>(logic, font_.get());
    licenseHandle_ = window->Handle();
    return window;
}

void VantrelWindow::OnCommand(int id, int code) {
    if (!logic_ || code != BN_CLICKED) return;
    const int index = id - kFirstId;
    if (index < 0 || index >= static_cast<int>(kVantrelControls.size())) return;
    const std::string_view name = kVantrelControls[static_cast<std::size_t>(index)].name;
    if (name == "Command1") logic_->Command1_Click();
    if (name == "Command2") logic_->Command2_Click();
    if (name == "Command3") logic_->Command3_Click();
    if (name == "Command4") logic_->Command4_Click();
}

LRESULT VantrelWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == tabs_ && header->code == TCN_SELCHANGE) {
                std::int16_t PreviousTab = static_cast<std::int16_t>(activeTab_);
                activeTab_ = static_cast<int>(SendMessageW(tabs_, TCM_GETCURSEL, 0, 0));
                ShowPage(activeTab_);
                if (logic_) logic_->SSTab1_Click(PreviousTab);
            }
            return 0;
        }
        case WM_DESTROY:
            Untrack(hwnd_);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace app::win32
