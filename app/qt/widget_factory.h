// Builds the widgets a window definition lists, placed and ordered as it says.
#pragma once

#include <QFont>
#include <QIcon>
#include <QString>
#include <QWidget>
#include <map>
#include <string>
#include <string_view>

#include "app/window_definitions.h"

namespace app::qt {

QString ToQString(std::u16string_view text);
std::u16string ToU16(const QString& text);

// The font a definition names, falling back to a close face where it is not installed.
QFont FontFor(const FontSpec& definition);

// The program's icon, or the licence window's, in both sizes.
QIcon ProgramIcon();
QIcon LicenseIcon();

// Creates one widget for a definition as a child of parent, at its place in pixels.
QWidget* CreateControl(const ControlDefinition& definition, QWidget* parent, int dpi);

// Chains the focus through the widgets in the order of their tab indices.
void ApplyTabOrder(const std::map<int, QWidget*>& byTabIndex);

// Centres a window on the screen it is on.
void CenterOnScreen(QWidget* window);

}  // namespace app::qt
