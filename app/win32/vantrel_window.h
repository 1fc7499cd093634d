// The main window in Win32: one native control per control of the window's form, drawn
// as the form says; clicks, typing, tab changes and Tab go to the form.
#pragma once

#include <windows.h>

#include <vector>

#include "app/vantrel_form.h"
#include "app/win32/controls.h"
#include "app/win32/form_controls.h"
#include "app/win32/window_base.h"

namespace app::win32 {

class VantrelWindow : public WindowBase<VantrelWindow>,
                      public VantrelFrontEnd,
                      private FormObserver {
public:
    VantrelWindow();
    ~VantrelWindow() override;

    // The view the window logic is given.
    VantrelView& View() noexcept { return form_; }
    const Form& Model() const noexcept { return form_.Model(); }
    // Connects the window to its logic; clicks go nowhere before.
    void Connect(Vantrel& logic) { form_.Connect(logic); }

    void Show() override;
    void ShowMessage(const std::u16string& text) override;
    void EndProgram() override;
    std::unique_ptr<LicenseView> CreateLicenseWindow(License& logic) override;

    HWND Control(ControlId id) const { return controls_[id]; }
    HWND Box(TextBox box) const { return controls_[VantrelForm::IdOf(box)]; }
    HWND ButtonOf(Button button) const { return controls_[VantrelForm::IdOf(button)]; }
    HWND Tabs() const { return tabs_; }
    // The licence window while it exists.
    HWND LicenseHandle() const;

private:
    friend class WindowBase<VantrelWindow>;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ControlChanged(ControlId id) override;
    void LineChanged(std::size_t line) override;
    void FocusMoved(ControlId id) override;
    // Paints the tab control's pages into a page control's device context, beneath it.
    void PaintPageBackground(HWND control, HDC dc) const;
    LRESULT StaticColours(HWND control, HDC dc) const;
    void DrawPicture(const DRAWITEMSTRUCT& item) const;

    VantrelForm form_;
    FormControls controls_;
    Font font_;
    Font titleFont_;
    HICON icon_ = nullptr;
    HWND tabs_ = nullptr;
    std::vector<HWND> lines_;
    HWND licenseHandle_ = nullptr;
    bool shownBefore_ = false;
};

}  // namespace app::win32
