// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A session with the EC stopped half-way leaves an EC that does not start (follow mode, an
// unprotected or half-written chip): while one runs, every catchable signal whose default
// ends the process is held (on Windows the console's Ctrl+C, Ctrl+Break and close). The first
// one that arrives is noted and standard error told once that the work finishes first; when
// the outermost hold ends, the process ends as the signal asked.

/// Holds the signals for its lifetime. Holds nest, from any thread: only the outermost one
/// installs and restores the handlers and acts on a noted signal, so a front end that holds
/// around an EC session and the writing of its record ends only after both. Signals this
/// process ignores stay ignored. A noted signal is raised again on the outermost release, so
/// with the default action the process ends there.
class SignalHold {
public:
    SignalHold();
    ~SignalHold();
    SignalHold(const SignalHold&) = delete;
    SignalHold& operator=(const SignalHold&) = delete;

    /// The first signal that arrived since the outermost hold began, 0 for none.
    int pending_signal() const;
};

/// The signal noted by the holds in force, 0 for none or when nothing is held.
int HeldSignal();

/// A write to a closed pipe or beyond the file size limit fails with an error the program
/// reports, instead of ending the process wherever it stands. Called once at start.
void IgnoreWriteSignals();

#ifdef _WIN32
/// The console control handler a hold installs: Ctrl+C and Ctrl+Break are noted (SIGINT,
/// SIGBREAK) and handled; a close, log-off or shutdown (SIGTERM) waits for the hold to end.
int __stdcall SignalHoldConsoleHandler(unsigned long event);
#endif
