#include "app/qt/form_window.h"

#include <QCloseEvent>
#include <QScreen>
#include <utility>

#include "app/qt/widget_factory.h"

namespace app::qt {
namespace {

// The form's window: a fixed-size frame with a close box and no others.
constexpr Qt::WindowFlags kFlags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

// Set up before the widgets are made, which take the window's font and size from it.
QWidget* Framed(QWidget* window, const Form& form, const QIcon& icon) {
    window->setFont(FontFor(kDefaultFont));
    window->setWindowTitle(ToQString(form.Caption()));
    window->setWindowIcon(icon);
    window->setFixedSize(ToQRect(form.ClientArea(window->logicalDpiX())).size());
    return window;
}

}  // namespace

FormWindow::FormWindow(std::unique_ptr<Form> form, const QIcon& icon)
    : QWidget(nullptr, kFlags),
      form_(std::move(form)),
      widgets_(*form_, Framed(this, *form_, icon)) {}

void FormWindow::ShowForm() {
    show();
    if (std::exchange(shownBefore_, true)) return;
    // Centred once shown, when the frame's size is known.
    if (const QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void FormWindow::CloseForLogic() {
    closingForLogic_ = true;
    close();
}

void FormWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!closingForLogic_) form_->Close();
}

}  // namespace app::qt
