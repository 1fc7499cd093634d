// The window procedure of a C++ window: the object stored with its window on creation,
// every message handed to one member. Windows are made with the 8-bit forms, which every
// Windows from 98 on implements.
#pragma once

#include <windows.h>

#include <stdexcept>

namespace app::win32 {

// A window that could not be made; the program cannot go on without it.
class WindowError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

template <typename Derived>
class WindowBase {
public:
    HWND Handle() const noexcept { return hwnd_; }

protected:
    // Registers the class once, then creates the window with this object behind it.
    void CreateFor(const char* className, const char* caption, DWORD style, RECT frame, HICON icon,
                   HICON smallIcon) {
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXA windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = &WindowBase::Procedure;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
            windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            windowClass.lpszClassName = className;
            windowClass.hIcon = icon;
            windowClass.hIconSm = smallIcon;
            if (!RegisterClassExA(&windowClass)) {
                throw WindowError(std::string("The window class ") + className +
                                  " cannot be registered.");
            }
            registered = true;
        }
        if (!CreateWindowExA(0, className, caption, style, frame.left, frame.top,
                             frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                             GetModuleHandleA(nullptr), this)) {
            throw WindowError(std::string("The window \"") + caption + "\" cannot be created.");
        }
    }

    HWND hwnd_ = nullptr;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        Derived* self = nullptr;
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
            self = static_cast<Derived*>(static_cast<WindowBase*>(create->lpCreateParams));
            self->hwnd_ = hwnd;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        } else {
            self = reinterpret_cast<Derived*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
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
};

}  // namespace app::win32
