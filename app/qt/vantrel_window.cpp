#include "app/qt/vantrel_window.h"

#include <QApplication>
#include <QMessageBox>

#include "app/qt/widget_factory.h"

namespace app::qt {
namespace {

// The licence window: the view its logic owns, over a window of the licence form.
class LicenseWindow final : public LicenseView {
public:
    explicit LicenseWindow(License& logic)
        : window_(new FormWindow(MakeLicenseForm(logic), LicenseIcon())) {}
    // The widget goes a turn of the event loop later: the logic may be unloaded from one of
    // its own events.
    ~LicenseWindow() override { window_->deleteLater(); }

    void Show() override {
        window_->ShowForm();
        window_->raise();
        window_->activateWindow();
    }
    // Closed rather than hidden, so that the program ends when it was the last window.
    void Hide() override { window_->CloseForLogic(); }

private:
    FormWindow* window_;
};

}  // namespace

VantrelWindow::VantrelWindow()
    : FormWindow(MakeVantrelForm(), ProgramIcon()), VantrelForm(FormWindow::Model()) {}

void VantrelWindow::ShowMessage(const std::u16string& text) {
    QMessageBox::warning(this, ToQString(Model().Window().caption), ToQString(text));
}

// Every window goes without a close event, then the event loop ends.
void VantrelWindow::EndProgram() {
    ended_ = true;
    Disconnect();
    for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
    QCoreApplication::exit(0);
}

std::unique_ptr<LicenseView> VantrelWindow::CreateLicenseWindow(License& logic) {
    return std::make_unique<LicenseWindow>(logic);
}

}  // namespace app::qt
