// The native controls of one form: made from it, kept as it says, and handing clicks,
// typing and Tab back to it. Both windows draw their forms through this.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "app/form.h"

namespace app::win32 {

class FormControls {
public:
    explicit FormControls(Form& form) : form_(form) {}

    // Makes one control per form control on parent; fontOf picks each one's font.
    void Create(HWND parent, int dpi, const std::function<HFONT(const ControlDefinition&)>& fontOf);

    HWND operator[](ControlId id) const { return controls_[id]; }
    std::optional<ControlId> IdOf(HWND control) const;

    // Shows the text, enabled and visible state the form holds for a control.
    void Apply(ControlId id);
    // A WM_COMMAND from a control: clicks and typing go to the form. The form may close
    // the window meanwhile.
    void Command(WPARAM wParam, LPARAM lParam);
    // Moves the focus as Tab (or Shift+Tab) does in the form's order; false when no
    // control can take it.
    bool MoveFocus(bool backwards);

private:
    Form& form_;
    std::vector<HWND> controls_;
};

}  // namespace app::win32
