#include "app/qt/form_widgets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>

#include "app/qt/widget_factory.h"

namespace app::qt {
namespace {

// A widget of the kind a definition names, showing its caption.
QWidget* WidgetOf(const ControlDefinition& definition, QWidget* parent) {
    switch (definition.kind) {
        case ControlKind::TabControl:
            return new QTabWidget(parent);
        case ControlKind::Button: {
            auto* button = new QPushButton(ToQString(definition.caption), parent);
            button->setAutoDefault(false);  // Enter and Esc press no button
            return button;
        }
        case ControlKind::Label:
            return new QLabel(ToQString(definition.caption), parent);
        case ControlKind::TextBox:
            return new QLineEdit(parent);
        case ControlKind::ReadOnlyMultiLineText: {
            auto* text = new QPlainTextEdit(parent);
            text->setReadOnly(true);
            text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
            return text;
        }
        case ControlKind::Picture: {
            auto* picture = new QLabel(parent);
            picture->setPixmap(ProgramIcon().pixmap(32));
            picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            return picture;
        }
    }
    return nullptr;
}

}  // namespace

// Every widget is a child of the window; those made after the tab control stand above
// its pages. Like a control, a line is made when its page is first shown.
FormWidgets::FormWidgets(Form& form, QWidget* window)
    : form_(form), window_(window), widgets_(form.ControlCount()), lines_(form.Lines().size()) {
    for (ControlId id = 0; id < form.ControlCount(); ++id) ControlChanged(id);
    for (std::size_t line = 0; line < lines_.size(); ++line) LineChanged(line);
    form.Observe(this);
}

void FormWidgets::CaptionChanged() { window_->setWindowTitle(ToQString(form_.Caption())); }

void FormWidgets::Create(ControlId id) {
    const ControlDefinition& definition = form_.Definition(id);
    QWidget* widget = WidgetOf(definition, window_);
    widgets_[id] = widget;
    widget->setObjectName(QString::fromLatin1(definition.name));
    widget->setGeometry(ToQRect(form_.Place(id, window_->logicalDpiX())));
    if (definition.font) widget->setFont(FontFor(*definition.font));
    if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
        tabs_ = tabs;
        for (const auto caption : form_.TabCaptions())
            tabs->addTab(new QWidget, ToQString(caption));
        tabs->lower();
        QObject::connect(tabs, &QTabWidget::currentChanged, window_,
                         [this](int index) { form_.SelectTab(index); });
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        QObject::connect(button, &QPushButton::clicked, window_, [this, id] { form_.Click(id); });
    }
    if (auto* box = qobject_cast<QLineEdit*>(widget)) {
        QObject::connect(box, &QLineEdit::textChanged, window_,
                         [this, id](const QString& text) { form_.Typed(id, ToU16(text)); });
    }
}

std::optional<ControlId> FormWidgets::Focused() const {
    for (QWidget* widget = window_->focusWidget(); widget; widget = widget->parentWidget()) {
        const auto at = std::find(widgets_.begin(), widgets_.end(), widget);
        if (at != widgets_.end()) return static_cast<ControlId>(at - widgets_.begin());
    }
    return std::nullopt;
}

bool FormWidgets::MoveFocus(bool backwards) {
    const auto target = form_.NextInTabOrder(Focused(), backwards);
    if (!target) return false;
    widgets_[*target]->setFocus(backwards ? Qt::BacktabFocusReason : Qt::TabFocusReason);
    return true;
}

void FormWidgets::ControlChanged(ControlId id) {
    if (!widgets_[id]) {
        if (!form_.Visible(id)) return;
        Create(id);
    }
    QWidget* widget = widgets_[id];
    const QString text = ToQString(form_.Text(id));
    if (auto* box = qobject_cast<QLineEdit*>(widget); box && box->text() != text) {
        box->setText(text);
        // As in a native edit box, the caret stands at the start of a text put in.
        box->setCursorPosition(0);
    }
    if (auto* plain = qobject_cast<QPlainTextEdit*>(widget)) {
        // The form keeps CR LF line ends; Qt's text box wants LF alone.
        const QString lines = QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (plain->toPlainText() != lines) plain->setPlainText(lines);
    }
    widget->setEnabled(form_.Enabled(id));
    widget->setVisible(form_.Visible(id));
}

// A line is a widget one pixel high in the window's text colour.
void FormWidgets::LineChanged(std::size_t line) {
    if (!lines_[line]) {
        if (!form_.LineVisible(line)) return;
        QWidget* rule = lines_[line] = new QWidget(window_);
        rule->setGeometry(ToQRect(form_.LinePlace(line, window_->logicalDpiX())));
        rule->setPalette(QPalette(window_->palette().color(QPalette::WindowText)));
        rule->setAutoFillBackground(true);
    }
    lines_[line]->setVisible(form_.LineVisible(line));
}

void FormWidgets::FocusMoved(ControlId id) { widgets_[id]->setFocus(Qt::OtherFocusReason); }

}  // namespace app::qt
