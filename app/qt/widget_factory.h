// What the Qt front end's windows share: texts, fonts, icons and places.
#pragma once

#include <QFont>
#include <QIcon>
#include <QRect>
#include <QString>
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

inline QRect ToQRect(const PixelRect& p) { return {p.left, p.top, p.width, p.height}; }

}  // namespace app::qt
