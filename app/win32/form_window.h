// A top-level window showing one form, centred on the screen; the close box goes to the
// form. Made with the 8-bit functions, which every Windows from 98 on implements.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>

#include "app/form.h"
#include "app/win32/form_controls.h"

namespace app::win32 {

class FormWindow {
public:
    // The window goes with its object.
    virtual ~FormWindow();

    HWND Handle() const noexcept { return hwnd_; }
    // The native control of a form control.
    HWND Control(ControlId id) const { return (*controls_)[id]; }
    HWND Tabs() const { return controls_->Tabs(); }

    // Hands a key to its window: Tab in the form's order, the rest as in a dialog box.
    static bool TranslateDialogKeys(MSG& message);
    // Hides every window, then destroys them without further events; the message loop ends.
    static void DestroyAll();

protected:
    FormWindow() = default;
    // Makes the window (its class once) and its controls, keeping form; throws WindowError.
    Form& Create(std::unique_ptr<Form> form, const char* className, int iconId);

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    std::unique_ptr<Form> form_;
    std::optional<FormControls> controls_;
};

}  // namespace app::win32
