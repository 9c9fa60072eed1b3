// SPDX-License-Identifier: GPL-3.0-or-later
// vantu-cli on a terminal: the confirmation before a write, and progress rewritten in place
// with the time left. The program runs on a pseudo-terminal as a person would see it.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>

#include "cli_dir.h"

namespace {

using cli_test::CliDir;
using cli_test::Pattern;

struct TerminalRun {
    std::string screen;  // everything the program wrote to the terminal
    int exit_status = -1;
    int ended_by_signal = 0;
};

// Runs vantu-cli in `dir` on a new pseudo-terminal; once `prompt` shows, types `answer`, or
// sends `signal_number` when that is not 0.
TerminalRun RunOnTerminal(const CliDir& dir, const std::vector<std::string>& args, const std::string& prompt,
                          const std::string& answer, int signal_number = 0) {
    // The same environment as every other child: stubs first on PATH, its own lock, no bus.
    std::map<std::string, std::string> env = TestEnvironment(dir.Path("stubs"), SIM_LIBRARY_DIR);
    env["VANTU_SIM_CONFIG"] = dir.Path("sim.conf");
    env["TERM"] = "dumb";
    std::vector<std::string> env_text;
    for (const auto& [name, value] : env) env_text.push_back(name + "=" + value);
    std::vector<std::string> argv_text = {VANTU_CLI_PATH};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (std::string& a : argv_text) argv.push_back(a.data());
    for (std::string& e : env_text) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);

    TerminalRun run;
    int master = -1;
    const pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (child == 0) {
        if (::chdir(dir.path().c_str()) != 0) ::_exit(126);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    EXPECT_GT(child, 0);
    if (child <= 0) return run;
    bool answered = prompt.empty();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (;;) {
        pollfd fd{master, POLLIN, 0};
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(child, SIGKILL);
            ADD_FAILURE() << "no end on the terminal: " << run.screen;
            break;
        }
        if (::poll(&fd, 1, 200) <= 0) continue;
        char buffer[4096];
        const ssize_t got = ::read(master, buffer, sizeof buffer);
        if (got <= 0) break;  // EIO once the program has closed the terminal
        run.screen.append(buffer, static_cast<size_t>(got));
        if (!answered && run.screen.find(prompt) != std::string::npos) {
            if (signal_number != 0) {
                ::kill(child, signal_number);
            } else {
                EXPECT_EQ(::write(master, answer.data(), answer.size()), static_cast<ssize_t>(answer.size()));
            }
            answered = true;
        }
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(master);
    if (WIFEXITED(status)) run.exit_status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.ended_by_signal = WTERMSIG(status);
    return run;
}

TEST(CliTerminal, AWriteIsDoneOnlyWhenConfirmed) {
    CliDir dir("terminal-confirm");
    dir.Sim("chip=winbond");
    dir.WriteBytes("EC.bin", Pattern(65536, 8));
    const std::vector<uint8_t> flash = dir.Flash();

    const TerminalRun declined = RunOnTerminal(dir, {"write", "EC.bin"}, "[y/N]", "n\n");
    EXPECT_EQ(declined.exit_status, 3);
    EXPECT_NE(declined.screen.find("with EC.bin (64 KB)?"), std::string::npos) << declined.screen;
    EXPECT_NE(declined.screen.find("not confirmed; nothing was written"), std::string::npos);
    EXPECT_EQ(dir.Flash(), flash);
    EXPECT_FALSE(dir.Exists("trace.txt"));  // asked before any port was touched

    const TerminalRun confirmed = RunOnTerminal(dir, {"write", "EC.bin"}, "[y/N]", "yes\n");
    EXPECT_EQ(confirmed.exit_status, 0) << confirmed.screen;
    EXPECT_NE(dir.Flash(), flash);
}

TEST(CliTerminal, ProgressIsOneLineRewrittenWithTheTimeLeft) {
    CliDir dir("terminal-progress");
    dir.Sim("chip=winbond");
    dir.WriteBytes("EC.bin", Pattern(3 * 65536, 8));
    const TerminalRun run = RunOnTerminal(dir, {"write", "--yes", "EC.bin"}, "", "");
    EXPECT_EQ(run.exit_status, 0) << run.screen;
    EXPECT_NE(run.screen.find("\rchunk 1/3  erasing  0/196608 bytes\033[K"), std::string::npos) << run.screen;
    // From the second chunk on, the chunks done tell how long the rest takes.
    EXPECT_NE(run.screen.find("chunk 3/3  programming  131072/196608 bytes  0:"), std::string::npos) << run.screen;
    EXPECT_NE(run.screen.find(" left\033[K"), std::string::npos);
    EXPECT_NE(run.screen.find("passed: 3 of 3 chunks written and verified"), std::string::npos);
}

}  // namespace

namespace {

TEST(CliTerminal, CtrlCStopsAReadAndStillReleasesTheEc) {
    CliDir dir("terminal-interrupt");
    // A 16 MiB chip: the read goes on long after the signal is sent at its third chunk.
    dir.Sim("chip=winbond\njedec_id=0xEF4018", 16 << 20);
    const TerminalRun run = RunOnTerminal(dir, {"read", "dump.bin"}, "chunk 3/256", "", SIGINT);
    EXPECT_EQ(run.ended_by_signal, SIGINT) << run.screen;
    EXPECT_NE(run.screen.find("interrupted: the EC is released and dump.bin was not written"), std::string::npos)
        << run.screen;
    EXPECT_FALSE(dir.Exists("dump.bin"));
    EXPECT_EQ(dir.Trace().back(), "END FC");
}

}  // namespace
