#include "flash/restart.h"

#include "hw/clock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <spawn.h>
#include <cerrno>
#include <sys/wait.h>
extern char** environ;
#endif

namespace {

constexpr uint32_t kRestartCommandBoundMs = 30000;

#ifdef _WIN32
bool RunAndWait(const std::vector<std::string>& argv) {
    std::string line;
    for (const std::string& word : argv) line += (line.empty() ? "" : " ") + word;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    DWORD exit_code = 1;
    const bool ended = WaitForSingleObject(process.hProcess, kRestartCommandBoundMs) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(process.hProcess, &exit_code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return ended && exit_code == 0;
}
#else
bool RunAndWait(const std::vector<std::string>& argv) {
    std::vector<std::string> words = argv;
    std::vector<char*> args;
    for (std::string& word : words) args.push_back(word.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
    // The command only schedules the restart and returns at once; one that hangs (waiting
    // for an authorisation, say) must not hang the program or the script that started it.
    const uint32_t start = TickMs();
    for (;;) {
        int status = 0;
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (ended < 0 && errno != EINTR) return false;
        if (TickMs() - start > kRestartCommandBoundMs) return false;  // left running
        SleepMs(10);
    }
}
#endif

CommandRunner g_Runner = RunAndWait;

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

bool RequestRestart() { return g_Runner(RestartCommand()); }

ScopedCommandRunner::ScopedCommandRunner(CommandRunner runner) : previous_(g_Runner) { g_Runner = runner; }
ScopedCommandRunner::~ScopedCommandRunner() { g_Runner = previous_; }
