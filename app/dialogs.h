// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every box the program shows goes through here, so that tests can answer them and a run
// without a screen, or one nobody watches (install scripts), never waits for a button
// nobody can press: such a run also gets every box's text on standard error.

#include <QString>
#include <chrono>
#include <functional>
#include <optional>

class QWidget;

namespace dialogs {

enum class BoxKind {
    Message,        // the program's own box: one fixed text, OK
    Error,          // the application's error box: error text, OK
    SystemWarning,  // the warning box of the activation handler
    ThemeMissing,   // the start-up box for a style that is not there, Close
};

struct Box {
    BoxKind kind;
    QString caption;
    QString text;  // as shown, the error box's full stop included
};

/// Stands in for the person in front of the screen while installed: sees every box instead
/// of it being shown (the box counts as answered once OnBox returns) and answers the
/// file-open dialog.
class Hook {
public:
    virtual ~Hook() = default;
    virtual void OnBox(const Box& box) = 0;
    /// The chosen file's full path; nullopt for a cancelled dialog.
    virtual std::optional<QString> OnOpenFile(const QString& filter) = 0;
};

/// Installs `hook` until the guard ends.
class ScopedHook {
public:
    explicit ScopedHook(Hook& hook);
    ~ScopedHook();
    ScopedHook(const ScopedHook&) = delete;
    ScopedHook& operator=(const ScopedHook&) = delete;

private:
    Hook* previous_;
};

/// True on a platform without a screen (offscreen, minimal): nobody can see or answer a box.
bool WindowlessPlatform();

/// The title the platform gives a program before it names itself: the program file's name
/// without directory and extension, every letter after the first in lower case.
QString DefaultApplicationTitle();
/// That title for the program file at `program_path`.
QString DefaultTitleFor(const QString& program_path);
/// The caption of the program's message and error boxes from now on.
void SetApplicationTitle(const QString& title);
QString ApplicationTitle();

/// The window the boxes belong to (modal over it); a box owned by the main window never
/// counts as the program's last window, so closing it cannot end the message loop.
void SetBoxOwner(QWidget* owner);

/// Every box below waits for its button, except while nobody watches the run (run_mode.h):
/// then it answers itself with its one button within 5 seconds.

/// The program's message box: `text`, one OK button, captioned with the application title.
void ShowMessage(const QString& text);
/// The application's error box; `text` gets a full stop when its last character's code is
/// above that of ".".
void ShowError(const QString& text);
/// The text ShowError shows for `text`.
QString ErrorBoxText(const QString& text);
/// The system warning box: warning icon, one OK button, its own caption.
void ShowSystemWarning(const QString& text, const QString& caption);
/// "Style '<name>' not found", with a Close button.
void ShowThemeMissing(const QString& style_name);

/// The modal file-open dialog; the chosen path, or nullopt when cancelled (always without
/// a screen and without a hook).
std::optional<QString> OpenFile(QWidget* parent, const QString& filter);

/// Runs `handler` each time one of the program's own message or error boxes has closed: the
/// window the box closed over is then activated again, at once, before the code that showed
/// the box goes on (empty: nothing runs).
void SetOwnBoxClosedHandler(std::function<void()> handler);

/// Test seam: how long a box waits while nobody watches the run (5 seconds).
void SetUnwatchedBoxTimeout(std::chrono::milliseconds timeout);
/// Test seam: real boxes even on a platform without a screen, so that their closing shows.
void ShowBoxesWithoutScreen(bool show);

}  // namespace dialogs
