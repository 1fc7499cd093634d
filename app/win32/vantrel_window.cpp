#include "app/win32/vantrel_window.h"

#include "app/win32/resource_ids.h"
#include "platform/codepage.h"

namespace app::win32 {
namespace {

// The licence window: a window of the licence form, the view its logic owns.
class LicenseWindow final : public LicenseView, public FormWindow {
public:
    explicit LicenseWindow(License& logic) {
        Create(MakeLicenseForm(logic), "VantrelLicense", IDI_LICENSE);
    }

    void Show() override {
        ShowWindow(Handle(), SW_SHOWNORMAL);
        SetForegroundWindow(Handle());
        BringWindowToTop(Handle());
    }
    void Hide() override { ShowWindow(Handle(), SW_HIDE); }
};

}  // namespace

VantrelWindow::VantrelWindow()
    : VantrelForm(Create(MakeVantrelForm(), "VantrelMain", IDI_VANTREL)) {}

void VantrelWindow::Show() {
    ShowWindow(Handle(), SW_SHOWNORMAL);
    UpdateWindow(Handle());
}

void VantrelWindow::ShowMessage(const std::u16string& text) {
    MessageBoxA(Handle(), platform::codepage::Encode(text).c_str(),
                platform::codepage::Encode(Model().Window().caption).c_str(),
                MB_OK | MB_ICONWARNING);
}

void VantrelWindow::EndProgram() {
    Disconnect();
    DestroyAll();
}

std::unique_ptr<LicenseView> VantrelWindow::CreateLicenseWindow(License& logic) {
    return std::make_unique<LicenseWindow>(logic);
}

}  // namespace app::win32
