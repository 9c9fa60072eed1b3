// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

/// Turns the point sizes of the window description into pixel sizes at 96 pixels per inch,
/// because every position in it is in pixels: text must keep its size whatever the screen's
/// resolution. A widget's dynamic property "fontStretch" narrows its face (percent).
void UsePixelFonts(QWidget* root);
