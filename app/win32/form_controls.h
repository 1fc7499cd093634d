// The native controls of one form: made from it, kept as it says, and handing clicks,
// typing, tab changes and Tab back to it. Texts cross in the active code page.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "app/form.h"

namespace app::win32 {

// A window or control that could not be made; the program cannot go on without it.
class WindowError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The screen's resolution in dots per inch.
int ScreenDpi();
// The text of a window, and a new text for it.
std::u16string WindowText(HWND window);
void PutWindowText(HWND window, std::u16string_view text);
// An icon of the resources (resource_ids.h) at a given size.
HICON LoadIconOf(int id, int size);

// The first control's id, above IDOK and IDCANCEL: Enter and Esc press nothing.
inline constexpr int kFirstControlId = 1000;

// A font that is deleted with its owner.
using Font = std::unique_ptr<std::remove_pointer_t<HFONT>, decltype(&DeleteObject)>;

class FormControls final : private FormObserver {
public:
    // Makes the controls, tabs and lines on parent and observes the form; throws WindowError.
    FormControls(Form& form, HWND parent, int dpi);
    ~FormControls() override { form_.Observe(nullptr); }

    HWND operator[](ControlId id) const { return controls_[id]; }
    HWND Tabs() const { return tabs_; }
    std::optional<ControlId> IdOf(HWND control) const;

    // A WM_COMMAND: clicks and typing go to the form, which may close the window.
    void Command(WPARAM wParam, LPARAM lParam);
    // A WM_NOTIFY: the tab the user picked goes to the form.
    void Notify(const NMHDR& header);
    // Moves the focus as Tab (or Shift+Tab) does; false when no control can take it.
    bool MoveFocus(bool backwards);
    // A WM_CTLCOLORSTATIC: the brush of a page's label or a line; null for the default.
    HBRUSH StaticColours(HWND control, HDC dc) const;
    // A WM_DRAWITEM: the picture at its own size in its box's top-left corner.
    void DrawPicture(const DRAWITEMSTRUCT& item) const;

private:
    void ControlChanged(ControlId id) override;
    void LineChanged(std::size_t line) override;
    void FocusMoved(ControlId id) override { ::SetFocus(controls_[id]); }
    void CaptionChanged() override { PutWindowText(parent_, form_.Caption()); }
    // Paints the tab control's pages into a page control's device context, beneath it.
    void PaintPageBackground(HWND control, HDC dc) const;

    Form& form_;
    HWND parent_;
    std::vector<Font> fonts_;
    std::vector<HWND> controls_;
    std::vector<HWND> lines_;
    HWND tabs_ = nullptr;
};

}  // namespace app::win32
