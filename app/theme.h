// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's look: the style sheet it asks for, and fonts sized in pixels as the window
// description's positions are.

#include <QString>

class QApplication;
class QWidget;

/// The look the program asks for at start-up.
inline constexpr const char* kThemeName = "Cobalt XEMedia";

/// Applies the style sheet of that name from the program's resources. When there is none,
/// shows the box "Style '<name>' not found" and keeps the default look; false then.
bool ApplyTheme(QApplication& app, const QString& name);

/// Turns the point sizes of the window description into pixel sizes at 96 pixels per inch,
/// because every position in it is in pixels: text must keep its size whatever the screen's
/// resolution. A widget's dynamic property "fontStretch" narrows its face (percent).
void UsePixelFonts(QWidget* root);
