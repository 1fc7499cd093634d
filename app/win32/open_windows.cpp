#include "app/win32/open_windows.h"

#include <algorithm>

namespace app::win32 {
namespace {

std::vector<HWND>& Windows() {
    static std::vector<HWND> windows;
    return windows;
}

}  // namespace

void Track(HWND window) { Windows().push_back(window); }

void Untrack(HWND window) {
    auto& windows = Windows();
    const auto found = std::find(windows.begin(), windows.end(), window);
    if (found == windows.end()) return;
    windows.erase(found);
    if (windows.empty()) PostQuitMessage(0);
}

const std::vector<HWND>& OpenWindows() { return Windows(); }

bool TranslateDialogKeys(MSG& message) {
    for (HWND window : Windows()) {
        if (window != message.hwnd && !IsChild(window, message.hwnd)) continue;
        if (message.message == WM_KEYDOWN && message.wParam == VK_TAB) {
            const bool backwards = GetKeyState(VK_SHIFT) < 0;
            if (SendMessageA(window, kMoveFocusMessage, backwards ? 1 : 0, 0)) return true;
        }
        return IsDialogMessageA(window, &message) != 0;
    }
    return false;
}

}  // namespace app::win32
