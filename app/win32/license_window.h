// The licence window in Win32: the native controls of the licence form.
#pragma once

#include <windows.h>

#include <memory>

#include "app/form.h"
#include "app/license.h"
#include "app/views.h"
#include "app/win32/controls.h"
#include "app/win32/form_controls.h"
#include "app/win32/window_base.h"

namespace app::win32 {

class LicenseWindow : public WindowBase<LicenseWindow>, public LicenseView {
public:
    LicenseWindow(License& logic, HFONT font);
    // The window goes with its view.
    ~LicenseWindow() override;

    void Show() override;
    void Hide() override;

    HWND TextBox() const;
    HWND CloseButton() const;

private:
    friend class WindowBase<LicenseWindow>;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    License& logic_;
    std::unique_ptr<Form> form_;
    FormControls controls_;
};

}  // namespace app::win32
