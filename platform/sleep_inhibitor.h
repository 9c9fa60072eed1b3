// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// No sleep, shutdown or lid-close action while a flash runs: an EC left half-written by a
// suspend does not start again. On Linux logind holds the block for as long as the program
// keeps the descriptor it handed out; the service sits behind a seam so tests use a fake.

#include <string>

/// Everything that could stop the machine mid-flash, in logind's words.
inline constexpr const char* kInhibitWhat = "sleep:shutdown:handle-lid-switch:handle-suspend-key:handle-power-key";

/// A service that can hold off sleep and power-off.
class SleepBlocker {
public:
    virtual ~SleepBlocker() = default;
    /// Takes a block-mode inhibitor for `what`: the descriptor that holds it, or -1 with
    /// `reason` set.
    virtual int Inhibit(const char* what, const char* who, const char* why, std::string& reason) = 0;
    /// Gives back what Inhibit handed out; a descriptor is closed.
    virtual void Release(int handle);
    /// What a held block keeps off, for the line that says it could not be had.
    virtual const char* Blocks() const { return "sleep and shutdown"; }
};

/// The system's own service: logind's Manager.Inhibit on the system bus, or the thread's
/// execution state on Windows.
SleepBlocker& SystemSleepBlocker();
/// The blocker in use: the system's unless a test installed another.
SleepBlocker& CurrentSleepBlocker();

/// Test seam: `blocker` stands in for logind until the guard ends.
class ScopedSleepBlocker {
public:
    explicit ScopedSleepBlocker(SleepBlocker& blocker);
    ~ScopedSleepBlocker();
    ScopedSleepBlocker(const ScopedSleepBlocker&) = delete;
    ScopedSleepBlocker& operator=(const ScopedSleepBlocker&) = delete;

private:
    SleepBlocker* previous_;
};

/// Holds the inhibitor for its lifetime. When it cannot be had the run goes on: the
/// constructor says so once on standard error.
class SleepInhibitor {
public:
    explicit SleepInhibitor(SleepBlocker& blocker = CurrentSleepBlocker());
    ~SleepInhibitor();
    SleepInhibitor(const SleepInhibitor&) = delete;
    SleepInhibitor& operator=(const SleepInhibitor&) = delete;

    bool held() const { return handle_ >= 0; }

private:
    SleepBlocker& blocker_;
    int handle_ = -1;
};
