// The main window in Win32: builds the controls of the window's definition and hands every
// click to the window logic.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <vector>

#include "app/vantrel.h"
#include "app/views.h"
#include "app/win32/controls.h"
#include "app/win32/window_base.h"

namespace app::win32 {

class VantrelWindow : public WindowBase<VantrelWindow>, public VantrelView {
public:
    VantrelWindow();
    ~VantrelWindow() override;

    // Connects the window to its logic; clicks go nowhere before.
    void Connect(Vantrel& logic) { logic_ = &logic; }

    void Show() override;
    std::u16string Text(TextBox box) const override;
    void SetText(TextBox box, const std::u16string& text) override;
    void SetEnabled(Button button, bool enabled) override;
    void SetFocus(TextBox box) override;
    void ShowMessage(const std::u16string& text) override;
    void EndProgram() override;
    std::unique_ptr<LicenseView> CreateLicenseWindow(License& logic) override;

    HWND Box(TextBox box) const { return boxes_[static_cast<std::size_t>(box)]; }
    HWND ButtonOf(Button button) const { return buttons_[static_cast<std::size_t>(button)]; }
    HWND Tabs() const { return tabs_; }
    HWND Control(std::string_view name) const;
    // The licence window while it exists.
    HWND LicenseHandle() const;

private:
    friend class WindowBase<VantrelWindow>;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void ShowPage(int index);
    void OnCommand(int id, int code);

    Vantrel* logic_ = nullptr;
    Font font_;
    Font titleFont_;
    HWND tabs_ = nullptr;
    std::array<HWND, 4> boxes_{};
    std::array<HWND, 4> buttons_{};
    std::vector<std::pair<std::string_view, HWND>> controls_;
    std::array<std::vector<HWND>, 2> pageControls_;
    int activeTab_ = 0;
    HWND licenseHandle_ = nullptr;
    bool shownBefore_ = false;
};

}  // namespace app::win32
