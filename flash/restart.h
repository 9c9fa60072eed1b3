// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The machine restart after a passing flash: a system command, found through PATH, that
// schedules the restart a few seconds ahead and returns, so the program can still end
// cleanly and write its files.

#include <string>
#include <vector>

/// The restart command line of this platform.
const std::vector<std::string>& RestartCommand();

/// Runs `argv` (looked up through PATH) and waits for it to end; true only when it started
/// and ended with status 0 within its time bound.
using CommandRunner = bool (*)(const std::vector<std::string>& argv);

/// The runner in use unless a test replaced it: argv[0] is looked up in the PATH directories
/// only; the wait ends when the command does or after 30 s (on the injectable clock), the
/// command then left running and the result false.
bool RunCommandAndWait(const std::vector<std::string>& argv);

/// Runs the restart command through the current runner; false when it could not be run or
/// did not succeed, so the caller can say that no restart is coming.
bool RequestRestart();

/// Test seam: replaces the runner until the guard ends, so no test can restart the machine.
class ScopedCommandRunner {
public:
    explicit ScopedCommandRunner(CommandRunner runner);
    ~ScopedCommandRunner();
    ScopedCommandRunner(const ScopedCommandRunner&) = delete;
    ScopedCommandRunner& operator=(const ScopedCommandRunner&) = delete;

private:
    CommandRunner previous_;
};
