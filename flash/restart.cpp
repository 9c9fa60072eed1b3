// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/restart.h"

#include "flash/command_process.h"
#include "hw/port_recording.h"
#include "platform/clock.h"

namespace {

constexpr uint32_t kRestartCommandBoundMs = 30000;

CommandRunner g_Runner = RunCommandAndWait;

}  // namespace

const std::vector<std::string>& RestartCommand() {
#ifdef _WIN32
    static const std::vector<std::string> command{"shutdown", "-r", "-t", "5"};
#else
    // systemd's own timer gives the 5-second delay that shutdown(8) cannot express here.
    static const std::vector<std::string> command{"systemd-run", "--quiet", "--on-active=5", "systemctl", "reboot"};
#endif
    return command;
}

bool RunCommandAndWait(const std::vector<std::string>& argv) {
    CommandProcess command;
    if (!command.Start(argv)) return false;
    // The command only schedules the restart and returns at once; one that hangs (waiting
    // for an authorisation, say) must not hang the program or the script that started it.
    const uint32_t start = TickMs();
    while (!command.Ended()) {
        if (TickMs() - start > kRestartCommandBoundMs) return false;  // left running
        SleepMs(10);
    }
    return command.Succeeded();
}

bool RequestRestart() {
    // The machine goes down with the program: a record under way is saved first.
    SaveActivePortRecording();
    return g_Runner(RestartCommand());
}

ScopedCommandRunner::ScopedCommandRunner(CommandRunner runner) : previous_(g_Runner) { g_Runner = runner; }
ScopedCommandRunner::~ScopedCommandRunner() { g_Runner = previous_; }
