// Child controls built from a window definition, and the resources they share.
#pragma once

#include <windows.h>

#include <string>

#include "app/window_definitions.h"

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

// Twips to pixels at dpi dots per inch (15 twips to a pixel at 96).
int TwipsToPixels(int twips, int dpi);

// The screen's resolution in dots per inch.
int ScreenDpi();

// The frame of a window whose client area is width by height twips, centred on the screen.
RECT CenteredFrame(int widthTwips, int heightTwips, DWORD style, int dpi);

// Creates one child control at its place; page controls are placed against the tab
// control's outer corner at tabOrigin (pixels).
HWND CreateControl(HWND parent, const ControlDefinition& definition, int id, POINT tabOrigin,
                   int dpi, HFONT font);

// The text of a window, as typed.
std::u16string WindowText(HWND window);

// The program's and the licence window's icons at a given size.
HICON LoadProgramIcon(int size);
HICON LoadLicenseIcon(int size);

}  // namespace app::win32
