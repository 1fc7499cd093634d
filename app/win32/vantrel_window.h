// The main window in Win32: a FormWindow of its form, and what only a toolkit can do.
#pragma once

#include <windows.h>

#include "app/vantrel_form.h"
#include "app/win32/form_window.h"

namespace app::win32 {

class VantrelWindow final : public FormWindow, public VantrelForm {
public:
    VantrelWindow();

    void Show() override;
    void ShowMessage(const std::u16string& text) override;
    void EndProgram() override;
    std::unique_ptr<LicenseView> CreateLicenseWindow(License& logic) override;

    HWND Box(TextBox box) const { return Control(IdOf(box)); }
    HWND ButtonOf(Button button) const { return Control(IdOf(button)); }
};

}  // namespace app::win32
