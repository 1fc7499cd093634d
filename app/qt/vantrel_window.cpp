#include "app/qt/vantrel_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

#include "app/qt/license_window.h"
#include "app/qt/widget_factory.h"

namespace app::qt {
namespace {

// The form's lines, drawn over the client area in the window's text colour.
class Rules : public QWidget {
public:
    Rules(QWidget* parent, const Form& form, int dpi) : QWidget(parent), form_(form), dpi_(dpi) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(ToQRect(form.ClientArea(dpi)));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        for (std::size_t line = 0; line < form_.Lines().size(); ++line) {
            if (form_.LineVisible(line)) {
                painter.fillRect(ToQRect(form_.LinePlace(line, dpi_)),
                                 palette().color(QPalette::WindowText));
            }
        }
    }

private:
    const Form& form_;
    int dpi_;
};

}  // namespace

VantrelWindow::VantrelWindow()
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      form_(*this) {
    const Form& form = form_.Model();
    const int dpi = logicalDpiX();
    setFont(FontFor(kDefaultFont));
    setWindowTitle(ToQString(form.Window().caption));
    setWindowIcon(ProgramIcon());
    setFixedSize(ToQRect(form.ClientArea(dpi)).size());

    // Every control is a child of the window; those created after the tab control stand
    // above its pages. A page's controls are made when the page is first shown.
    widgets_.resize(form.ControlCount());
    for (ControlId id = 0; id < form.ControlCount(); ++id) {
        if (form.Visible(id)) CreateWidget(id);
    }
    rules_ = new Rules(this, form, dpi);
    if (tabs_) {
        connect(tabs_, &QTabWidget::currentChanged, this,
                [this](int index) { form_.Model().SelectTab(index); });
    }
    for (ControlId id = 0; id < form.ControlCount(); ++id) ControlChanged(id);
    form_.Model().Observe(this);
}

void VantrelWindow::CreateWidget(ControlId id) {
    const Form& form = form_.Model();
    const int dpi = logicalDpiX();
    const ControlDefinition& definition = form.Definition(id);
    if (definition.kind == ControlKind::TabControl) {
        tabs_ = new QTabWidget(this);
        tabs_->setObjectName(QString::fromLatin1(definition.name.data(),
                                                 static_cast<qsizetype>(definition.name.size())));
        tabs_->setGeometry(ToQRect(form.Place(id, dpi)));
        for (const auto caption : form.TabCaptions())
            tabs_->addTab(new QWidget, ToQString(caption));
        tabs_->lower();
        widgets_[id] = tabs_;
        return;
    }
    QWidget* widget = CreateControl(definition, this, ToQRect(form.Place(id, dpi)));
    widgets_[id] = widget;
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        connect(button, &QPushButton::clicked, this, [this, id] { form_.Model().Click(id); });
    }
    if (auto* box = qobject_cast<QLineEdit*>(widget)) {
        connect(box, &QLineEdit::textChanged, this,
                [this, id](const QString& text) { form_.Model().Typed(id, ToU16(text)); });
    }
    // Made after the rules, it stays beneath them.
    if (rules_) widget->stackUnder(rules_);
}

QLineEdit* VantrelWindow::Box(TextBox box) const {
    return static_cast<QLineEdit*>(widgets_[VantrelForm::IdOf(box)]);
}

QPushButton* VantrelWindow::ButtonOf(Button button) const {
    return static_cast<QPushButton*>(widgets_[VantrelForm::IdOf(button)]);
}

std::optional<ControlId> VantrelWindow::FocusedControl() const {
    QWidget* focused = focusWidget();
    for (ControlId id = 0; id < widgets_.size(); ++id) {
        if (focused && widgets_[id] &&
            (focused == widgets_[id] || widgets_[id]->isAncestorOf(focused))) {
            return id;
        }
    }
    return std::nullopt;
}

bool VantrelWindow::focusNextPrevChild(bool next) {
    const auto target = form_.Model().NextInTabOrder(FocusedControl(), !next);
    if (!target) return false;
    widgets_[*target]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void VantrelWindow::ControlChanged(ControlId id) {
    const Form& form = form_.Model();
    if (!widgets_[id]) {
        if (!form.Visible(id)) return;
        CreateWidget(id);
    }
    QWidget* widget = widgets_[id];
    if (auto* box = qobject_cast<QLineEdit*>(widget); box && ToU16(box->text()) != form.Text(id)) {
        box->setText(ToQString(form.Text(id)));
        // As in a native edit box, the caret stands at the start of a text put in.
        box->setCursorPosition(0);
    }
    widget->setEnabled(form.Enabled(id));
    widget->setVisible(form.Visible(id));
}

void VantrelWindow::LineChanged(std::size_t) { rules_->update(); }

void VantrelWindow::FocusMoved(ControlId id) { widgets_[id]->setFocus(Qt::OtherFocusReason); }

void VantrelWindow::Show() {
    show();
    if (!shownBefore_) {
        shownBefore_ = true;
        CenterOnScreen(this);
    }
}

void VantrelWindow::ShowMessage(const std::u16string& text) {
    QMessageBox::warning(this, ToQString(form_.Model().Window().caption), ToQString(text));
}

// Every window goes without a close event, then the event loop ends.
void VantrelWindow::EndProgram() {
    ended_ = true;
    form_.Disconnect();
    for (QWidget* window : QApplication::topLevelWidgets()) window->hide();
    QCoreApplication::exit(0);
}

std::unique_ptr<LicenseView> VantrelWindow::CreateLicenseWindow(License& logic) {
    auto* window = new LicenseWindow(logic);
    license_ = window;
    connect(window, &QObject::destroyed, this, [this, window] {
        if (license_ == window) license_ = nullptr;
    });
    return std::make_unique<LicenseViewAdapter>(window);
}

}  // namespace app::qt
