#include "app/qt/widget_factory.h"

#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace app::qt {

QString ToQString(std::u16string_view text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::u16string ToU16(const QString& text) { return text.toStdU16String(); }

// The named family where it is installed, else the fallback: asked of the font database
// once, rather than leaving Qt to search every substitute for a missing family each time
// a font is matched.
QFont FontFor(const FontSpec& definition) {
    QFont font;
    const QString family = ToQString(definition.family);
    font.setFamily(QFontDatabase::hasFamily(family) ? family : ToQString(definition.fallback));
    font.setPointSize(definition.points);
    font.setWeight(static_cast<QFont::Weight>(definition.weight));
    return font;
}

QIcon ProgramIcon() {
    QIcon icon;
    icon.addPixmap(QPixmap(":/icons/vantrel-32.png"));
    icon.addPixmap(QPixmap(":/icons/vantrel-16.png"));
    return icon;
}

QIcon LicenseIcon() {
    QIcon icon;
    icon.addPixmap(QPixmap(":/icons/license-32.png"));
    icon.addPixmap(QPixmap(":/icons/license-16.png"));
    return icon;
}

QWidget* CreateControl(const ControlDefinition& definition, QWidget* parent, QRect place) {
    QWidget* widget = nullptr;
    const QString caption = ToQString(definition.caption);
    switch (definition.kind) {
        case ControlKind::Button: {
            auto* button = new QPushButton(caption, parent);
            // Enter and Esc press no button.
            button->setAutoDefault(false);
            button->setDefault(false);
            widget = button;
            break;
        }
        case ControlKind::Label:
            widget = new QLabel(caption, parent);
            break;
        case ControlKind::TextBox:
            widget = new QLineEdit(parent);
            break;
        case ControlKind::ReadOnlyMultiLineText: {
            auto* text = new QPlainTextEdit(parent);
            text->setReadOnly(true);
            text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
            widget = text;
            break;
        }
        case ControlKind::Picture: {
            auto* picture = new QLabel(parent);
            picture->setPixmap(QPixmap(":/icons/vantrel-32.png"));
            picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            widget = picture;
            break;
        }
        case ControlKind::TabControl:
            return nullptr;  // a window builds its tab control itself, with its tabs
    }
    widget->setObjectName(QString::fromLatin1(definition.name.data(),
                                              static_cast<qsizetype>(definition.name.size())));
    widget->setGeometry(place);
    if (definition.font) widget->setFont(FontFor(*definition.font));
    return widget;
}

void CenterOnScreen(QWidget* window) {
    const QScreen* screen = window->screen();
    if (!screen) return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

}  // namespace app::qt
