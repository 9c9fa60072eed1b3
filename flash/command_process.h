// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A system command started by name and polled until it ends. The name is looked up in the
// PATH directories only (never the working directory), so a test puts a stub first on PATH
// and a file beside an image is never run. One implementation per platform.

#include <cstdint>
#include <string>
#include <vector>

class CommandProcess {
public:
    CommandProcess() = default;
    ~CommandProcess();
    CommandProcess(const CommandProcess&) = delete;
    CommandProcess& operator=(const CommandProcess&) = delete;

    /// Starts argv[0] with the rest as its arguments; false when it was not found or not started.
    bool Start(const std::vector<std::string>& argv);
    /// True once the command has ended, or when it can no longer be waited for.
    bool Ended();
    /// True once the command has ended with exit status 0.
    bool Succeeded() const { return exit_code_ == 0; }

private:
    intptr_t id_ = 0;  // the process id or handle
    bool started_ = false;
    long exit_code_ = -1;  // -1 until it ended normally
};
