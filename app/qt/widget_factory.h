// Builds the widgets a window definition lists, placed and ordered as it says.
#pragma once

#include <QFont>
#include <QIcon>
#include <QString>
#include <QRect>
#include <QWidget>
#include <string>
#include <string_view>

#include "app/form.h"

namespace app::qt {

QString ToQString(std::u16string_view text);
std::u16string ToU16(const QString& text);

// The font a definition names, falling back to a close face where it is not installed.
QFont FontFor(const FontSpec& definition);

// Makes the forms' default font the application's. Qt lays text out in the application's
// font before a widget's own is applied, so otherwise it would match and load a second
// font at start-up that no window shows.
void UseFormFont();

// The program's icon, or the licence window's, in both sizes.
QIcon ProgramIcon();
QIcon LicenseIcon();

inline QRect ToQRect(const PixelRect& place) {
    return {place.left, place.top, place.width, place.height};
}

// Creates one widget for a definition as a child of parent, at place.
QWidget* CreateControl(const ControlDefinition& definition, QWidget* parent, QRect place);

// Centres a window on the screen it is on.
void CenterOnScreen(QWidget* window);

}  // namespace app::qt
