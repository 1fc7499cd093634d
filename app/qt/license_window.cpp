#include "app/qt/license_window.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/qt/widget_factory.h"
#include "app/vantrel_form.h"

namespace app::qt {

LicenseWindow::LicenseWindow(License& logic)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      logic_(logic),
      form_(MakeLicenseForm(logic)) {
    const int dpi = logicalDpiX();
    setFont(FontFor(kDefaultFont));
    setWindowTitle(ToQString(form_->Window().caption));
    setWindowIcon(LicenseIcon());
    setFixedSize(ToQRect(form_->ClientArea(dpi)).size());
    constexpr ControlId kText = IndexOf(kLicenseControls, "Text1");
    constexpr ControlId kClose = IndexOf(kLicenseControls, "Command1");
    text_ = static_cast<QPlainTextEdit*>(
        CreateControl(form_->Definition(kText), this, ToQRect(form_->Place(kText, dpi))));
    close_ = static_cast<QPushButton*>(
        CreateControl(form_->Definition(kClose), this, ToQRect(form_->Place(kClose, dpi))));
    // The text is kept with CR LF line ends; Qt's text box wants LF alone.
    text_->setPlainText(
        ToQString(form_->Text(kText)).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    setTabOrder(text_, close_);
    connect(close_, &QPushButton::clicked, this, [this] { form_->Click(kClose); });
}

void LicenseWindow::CloseForLogic() {
    closingForLogic_ = true;
    close();
}

void LicenseWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!closingForLogic_) logic_.Form_Unload();
}

LicenseViewAdapter::~LicenseViewAdapter() { window_->deleteLater(); }

void LicenseViewAdapter::Show() {
    if (!shownBefore_) {
        shownBefore_ = true;
        window_->show();
        CenterOnScreen(window_);
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
}

// Closed rather than hidden, so that the program ends when it was the last window.
void LicenseViewAdapter::Hide() { window_->CloseForLogic(); }

}  // namespace app::qt
