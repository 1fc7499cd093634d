// Child controls built from a form, and the resources they share. Every text crosses to
// the window system in the active code page.
#pragma once

#include <windows.h>

#include <string>

#include "app/form.h"

namespace app::win32 {

// A font that is deleted with its owner.
class Font {
public:
    Font() = default;
    explicit Font(const FontSpec& definition, int dpi);
    Font(Font&& other) noexcept : font_(other.font_) { other.font_ = nullptr; }
    Font& operator=(Font&& other) noexcept;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font();

    HFONT get() const noexcept { return font_; }

private:
    HFONT font_ = nullptr;
};

// The screen's resolution in dots per inch.
int ScreenDpi();

// The frame of a window whose client area is `client`, centred on the screen.
RECT CenteredFrame(const PixelRect& client, DWORD style);

// Creates the control `id` of a form as a child of parent, at its place, with the control
// id kFirstControlId + id. Throws WindowError when the window system refuses.
inline constexpr int kFirstControlId =
    1000;  // above IDOK and IDCANCEL: Enter and Esc press nothing
HWND CreateControl(HWND parent, const Form& form, ControlId id, int dpi, HFONT font);

// The text of a window, and a new text for it.
std::u16string WindowText(HWND window);
void PutWindowText(HWND window, std::u16string_view text);

// The program's and the licence window's icons at a given size.
HICON LoadProgramIcon(int size);
HICON LoadLicenseIcon(int size);

}  // namespace app::win32
