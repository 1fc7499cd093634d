// The window procedure of a C++ window: the object stored with its window on creation,
// every message handed to one member.
#pragma once

#include <windows.h>

namespace app::win32 {

template <typename Derived>
class WindowBase {
public:
    HWND Handle() const noexcept { return hwnd_; }

protected:
    // Registers the class once, then creates the window with this object behind it.
    HWND CreateFor(const wchar_t* className, const wchar_t* caption, DWORD style, RECT frame,
                   HICON icon, HICON smallIcon) {
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = &WindowBase::Procedure;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
            windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            windowClass.lpszClassName = className;
            windowClass.hIcon = icon;
            windowClass.hIconSm = smallIcon;
            registered = RegisterClassExW(&windowClass) != 0;
        }
        return CreateWindowExW(0, className, caption, style, frame.left, frame.top,
                               frame.right - frame.left, frame.bottom - frame.top, nullptr,
                               nullptr, GetModuleHandleW(nullptr), this);
    }

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        Derived* self = nullptr;
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            self = static_cast<Derived*>(static_cast<WindowBase*>(create->lpCreateParams));
            self->hwnd_ = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        } else {
            self = reinterpret_cast<Derived*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        }
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            if (self) self->hwnd_ = nullptr;
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        // The object may be gone by the time a handler returns; nothing here touches it after.
        return self ? self->HandleMessage(message, wParam, lParam)
                    : DefWindowProcW(hwnd, message, wParam, lParam);
    }
};

}  // namespace app::win32
