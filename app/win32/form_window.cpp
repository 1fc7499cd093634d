#include "app/win32/form_window.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace app::win32 {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;

// The windows open, oldest first: the message loop ends when the last one is gone.
std::vector<FormWindow*> openWindows;

// The frame of a window whose client area is `client`, centred on the screen's work area.
RECT CenteredFrame(const PixelRect& client) {
    RECT frame{0, 0, client.width, client.height}, work{};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    const int left = work.left + (work.right - work.left - width) / 2;
    const int top = work.top + (work.bottom - work.top - height) / 2;
    return {left, top, left + width, top + height};
}

}  // namespace

FormWindow::~FormWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
}

Form& FormWindow::Create(std::unique_ptr<Form> form, const char* className, int iconId) {
    static std::vector<std::string> registered;
    if (std::find(registered.begin(), registered.end(), className) == registered.end()) {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &FormWindow::Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = className;
        windowClass.hIcon = LoadIconOf(iconId, 32);
        windowClass.hIconSm = LoadIconOf(iconId, 16);
        if (!RegisterClassExA(&windowClass)) {
            throw WindowError(std::string("The window class ") + className +
                              " cannot be registered.");
        }
        registered.emplace_back(className);
    }
    form_ = std::move(form);
    const int dpi = ScreenDpi();
    const std::string caption = platform::codepage::Encode(form_->Caption());
    const RECT frame = CenteredFrame(form_->ClientArea(dpi));
    if (!CreateWindowExA(0, className, caption.c_str(), kStyle, frame.left, frame.top,
                         frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                         GetModuleHandleA(nullptr), this)) {
        throw WindowError("The window \"" + caption + "\" cannot be created.");
    }
    openWindows.push_back(this);
    controls_.emplace(*form_, hwnd_, dpi);
    return *form_;
}

LRESULT CALLBACK FormWindow::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    FormWindow* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<FormWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<FormWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        if (self) self->hwnd_ = nullptr;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    // The object may be gone by the time a handler returns; nothing here touches it after.
    return self ? self->HandleMessage(message, wParam, lParam)
                : DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT FormWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        const auto at = std::find(openWindows.begin(), openWindows.end(), this);
        if (at == openWindows.end()) return 0;
        openWindows.erase(at);
        if (openWindows.empty()) PostQuitMessage(0);
        return 0;
    }
    if (!controls_) return DefWindowProcA(hwnd_, message, wParam, lParam);  // being made
    switch (message) {
        case WM_COMMAND:
            controls_->Command(wParam, lParam);  // may close the window and end this object
            return 0;
        case WM_NOTIFY:
            controls_->Notify(*reinterpret_cast<const NMHDR*>(lParam));
            return 0;
        case WM_CTLCOLORSTATIC:
            if (HBRUSH brush = controls_->StaticColours(reinterpret_cast<HWND>(lParam),
                                                        reinterpret_cast<HDC>(wParam))) {
                return reinterpret_cast<LRESULT>(brush);
            }
            break;
        case WM_DRAWITEM:
            controls_->DrawPicture(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CLOSE:
            // The logic's close handler may end this object; without one the window goes.
            if (!form_->Close()) DestroyWindow(hwnd_);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

bool FormWindow::TranslateDialogKeys(MSG& message) {
    for (FormWindow* window : openWindows) {
        HWND handle = window->hwnd_;
        if (handle != message.hwnd && !IsChild(handle, message.hwnd)) continue;
        if (message.message == WM_KEYDOWN && message.wParam == VK_TAB && window->controls_ &&
            window->controls_->MoveFocus(GetKeyState(VK_SHIFT) < 0)) {
            return true;
        }
        return IsDialogMessageA(handle, &message) != 0;
    }
    return false;
}

void FormWindow::DestroyAll() {
    std::vector<HWND> windows;
    for (FormWindow* window : openWindows) windows.push_back(window->hwnd_);
    for (HWND window : windows) ShowWindow(window, SW_HIDE);
    for (HWND window : windows) DestroyWindow(window);
}

}  // namespace app::win32
