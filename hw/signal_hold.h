#pragma once
// A flash stopped half-way leaves an EC that does not start: while a run is under way,
// SIGINT, SIGTERM and SIGHUP are held (on Windows the console's Ctrl+C, Ctrl+Break and close).
// The first one that arrives is noted and standard error told once that the flash finishes
// first; when the run has ended, the process ends as the signal asked.

/// Holds the three signals for its lifetime (one guard at a time). Signals this process
/// ignores stay ignored. On destruction the earlier handlers are back and a noted signal is
/// raised again, so with the default action the process ends there.
class SignalHold {
public:
    SignalHold();
    ~SignalHold();
    SignalHold(const SignalHold&) = delete;
    SignalHold& operator=(const SignalHold&) = delete;

    /// The first signal that arrived since the guard began, 0 for none.
    int pending_signal() const;
};

#ifdef _WIN32
/// The console control handler a hold installs: Ctrl+C and Ctrl+Break are noted (SIGINT,
/// SIGBREAK) and handled; a close, log-off or shutdown (SIGTERM) waits for the hold to end.
int __stdcall SignalHoldConsoleHandler(unsigned long event);
#endif
