// The licence window in Win32.
#pragma once

#include <windows.h>

#include "app/license.h"
#include "app/views.h"
#include "app/win32/controls.h"
#include "app/win32/window_base.h"

namespace app::win32 {

class LicenseWindow : public WindowBase<LicenseWindow>, public LicenseView {
public:
    LicenseWindow(License& logic, HFONT font);
    // The window goes with its view.
    ~LicenseWindow() override;

    void Show() override;
    void Hide() override;

    HWND TextBox() const noexcept { return text_; }
    HWND CloseButton() const noexcept { return close_; }

private:
    friend class WindowBase<LicenseWindow>;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    License& logic_;
    HWND text_ = nullptr;
    HWND close_ = nullptr;
};

}  // namespace app::win32
