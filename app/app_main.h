// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

class QApplication;
class MainWindow;

using MainWindowFactory = std::function<std::unique_ptr<MainWindow>()>;

enum class Screen {
    Present,  // a person may be in front of the window
    Absent,   // offscreen or minimal platform: nobody can see or answer anything
};

/// Exit status of a run that would have waited for a person where there is no screen.
inline constexpr int kNoScreenStatus = 2;

/// Before the application object exists: with no display to connect to, the windowless
/// platform is chosen, so that an unattended run still runs and any other ends with a reason.
void ChooseWindowlessPlatformWithoutDisplay();
/// Whether the platform the application object runs on has a screen.
Screen ScreenOfPlatform();

/// The program from an initialised application object to its exit status: theme, main
/// window (created by `create_form`), title, message loop. Without a screen, a run that
/// would wait for a person ends at once with kNoScreenStatus and its reason on standard
/// error. The window is destroyed before this returns, so its destruction steps have run.
int RunVantu(QApplication& app, const MainWindowFactory& create_form, Screen screen);
