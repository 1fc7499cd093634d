#include "app/qt/license_window.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/qt/twips.h"
#include "app/qt/widget_factory.h"
#include "app/window_definitions.h"

namespace app::qt {

LicenseWindow::LicenseWindow(License& logic)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      logic_(logic) {
    const int dpi = logicalDpiX();
    setFont(FontFor(kDefaultFont));
    setWindowTitle(ToQString(kLicenseWindow.caption));
    setWindowIcon(LicenseIcon());
    setFixedSize(TwipsToPixels(kLicenseWindow.clientWidth, dpi),
                 TwipsToPixels(kLicenseWindow.clientHeight, dpi));
    text_ = static_cast<QPlainTextEdit*>(CreateControl(Find(kLicenseControls, "Text1"), this, dpi));
    close_ = static_cast<QPushButton*>(CreateControl(Find(kLicenseControls, "Command1"), this, dpi));
    // The text is kept with CR LF line ends; Qt's text box wants LF alone.
    text_->setPlainText(ToQString(kLicenseText).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    setTabOrder(text_, close_);
    connect(close_, &QPushButton::clicked, this, [this] { logic_.Command1_Click(); });
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
