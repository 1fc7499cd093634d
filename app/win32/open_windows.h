// The program's top-level windows: the message loop ends when the last one is gone.
#pragma once

#include <windows.h>

#include <vector>

namespace app::win32 {

// Sent to a top-level window for Tab (wParam 0) and Shift+Tab (wParam 1); a window that
// moved the focus itself answers nonzero.
inline constexpr UINT kMoveFocusMessage = WM_APP + 1;

// Counts a window as open until Untrack.
void Track(HWND window);
// Forgets a destroyed window; the last one ends the message loop.
void Untrack(HWND window);
// The windows still open, oldest first.
const std::vector<HWND>& OpenWindows();
// Gives the window a key is for its keyboard handling: Tab and Shift+Tab as the window
// orders its controls, the rest as a dialog box handles them. True when it took the message.
bool TranslateDialogKeys(MSG& message);

}  // namespace app::win32
