// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QApplication;

/// The look the program asks for at start-up.
inline constexpr const char* kThemeName = "Cobalt XEMedia";

/// Applies the style sheet of that name from the program's resources. When there is none,
/// shows the box "Style '<name>' not found" and keeps the default look; false then.
bool ApplyTheme(QApplication& app, const QString& name);
