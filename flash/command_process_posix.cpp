// SPDX-License-Identifier: GPL-3.0-or-later
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "flash/command_process.h"

extern char** environ;

CommandProcess::~CommandProcess() = default;  // a command still running is left to finish

bool CommandProcess::Start(const std::vector<std::string>& argv) {
    if (argv.empty()) return false;
    std::vector<std::string> words = argv;
    std::vector<char*> args;
    for (std::string& word : words) args.push_back(word.data());
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
    id_ = pid;
    started_ = true;
    return true;
}

bool CommandProcess::Ended() {
    if (!started_) return true;
    int status = 0;
    const pid_t ended = waitpid(static_cast<pid_t>(id_), &status, WNOHANG);
    if (ended == 0 || (ended < 0 && errno == EINTR)) return false;
    started_ = false;
    if (ended > 0 && WIFEXITED(status)) exit_code_ = WEXITSTATUS(status);
    return true;
}
