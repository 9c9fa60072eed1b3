// SPDX-License-Identifier: GPL-3.0-or-later
#include "process_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace {

void Drain(int fd, std::string& into, bool& open) {
    char buffer[4096];
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got > 0) into.append(buffer, static_cast<size_t>(got));
    else open = false;
}

}  // namespace

ProcessResult RunProcess(const ProcessLaunch& launch) {
    ProcessResult result;
    int out_pipe[2];
    int err_pipe[2];
    if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) return result;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (!launch.working_dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, launch.working_dir.c_str());

    std::vector<std::string> argv_store{launch.program};
    argv_store.insert(argv_store.end(), launch.args.begin(), launch.args.end());
    std::vector<char*> argv;
    for (std::string& arg : argv_store) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_store;
    for (const auto& [key, value] : launch.env) env_store.push_back(key + "=" + value);
    std::vector<char*> envp;
    for (std::string& entry : env_store) envp.push_back(entry.data());
    envp.push_back(nullptr);

    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, launch.program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out_pipe[1]);
    close(err_pipe[1]);
    if (spawned != 0) {
        close(out_pipe[0]);
        close(err_pipe[0]);
        return result;
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(launch.time_limit_s);
    bool out_open = true;
    bool err_open = true;
    bool signalled = false;
    while (out_open || err_open) {
        if (!signalled && launch.signal_number != 0 && result.err.find(launch.signal_at) != std::string::npos) {
            kill(pid, launch.signal_number);
            signalled = true;
        }
        if (out_open && launch.close_out_after_line && result.out.find('\n') != std::string::npos) {
            close(out_pipe[0]);
            out_pipe[0] = -1;
            out_open = false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.timed_out = true;
            kill(pid, SIGKILL);
            break;
        }
        pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
        if (poll(fds, 2, static_cast<int>(left.count())) <= 0) continue;
        if (out_open && (fds[0].revents & (POLLIN | POLLHUP))) Drain(out_pipe[0], result.out, out_open);
        if (err_open && (fds[1].revents & (POLLIN | POLLHUP))) Drain(err_pipe[0], result.err, err_open);
    }
    if (out_pipe[0] >= 0) close(out_pipe[0]);
    close(err_pipe[0]);

    int status = 0;
    waitpid(pid, &status, 0);
    if (!result.timed_out && WIFEXITED(status)) {
        result.exited = true;
        result.exit_status = WEXITSTATUS(status);
    }
    if (!result.timed_out && WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}

std::map<std::string, std::string> TestEnvironment(const std::string& stub_dir, const std::string& library_dir) {
    std::map<std::string, std::string> env;
    env["PATH"] = stub_dir + ":/usr/local/bin:/usr/bin:/bin";
    env["LD_LIBRARY_PATH"] = library_dir;
    env["QT_QPA_PLATFORM"] = "offscreen";
    env["HOME"] = stub_dir;
    // Each run's own lock, so runs side by side never refuse each other; and no system bus,
    // so no test run can ever hold off the machine's sleep.
    env["VANTU_LOCK_FILE"] = stub_dir + "/vantu.lock";
    env["DBUS_SYSTEM_BUS_ADDRESS"] = "unix:path=/nonexistent/vantu-test-bus";
    return env;
}
