// The program's top-level windows: the message loop ends when the last one is gone.
#pragma once

#include <windows.h>

#include <vector>

namespace app::win32 {

// Counts a window as open until Untrack.
void Track(HWND window);
// Forgets a destroyed window; the last one ends the message loop.
void Untrack(HWND window);
// The windows still open, oldest first.
const std::vector<HWND>& OpenWindows();
// Lets the window a message is for move the focus with Tab; true when it took the message.
bool TranslateDialogKeys(MSG& message);

}  // namespace app::win32
