// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs a built program as a child process with a chosen environment and directory, and
// collects what it printed and how it ended. A child that outlives its time limit is killed,
// so a hanging program fails its test instead of hanging the suite.

#include <map>
#include <string>
#include <vector>

struct ProcessResult {
    bool exited = false;   // ended through exit() (not a signal, not killed for time)
    int exit_status = -1;
    bool timed_out = false;
    std::string out;
    std::string err;
    int signal = 0;        // the signal that ended it (POSIX)
};

struct ProcessLaunch {
    std::string program;
    std::vector<std::string> args;
    std::string working_dir;
    std::map<std::string, std::string> env;  // the child's whole environment
    int time_limit_s = 60;
    // POSIX only: once standard error holds `signal_at`, `signal_number` is sent to the child,
    // once; with `close_out_after_line`, the reader of standard output goes away after its
    // first line, as `| head -n 1` does.
    std::string signal_at;
    int signal_number = 0;
    bool close_out_after_line = false;
};

ProcessResult RunProcess(const ProcessLaunch& launch);

/// The environment a test child gets: a PATH whose first entry is `stub_dir` (restart
/// commands shadowed), LD_LIBRARY_PATH naming only `library_dir` (may be empty), the
/// offscreen Qt platform, a flash lock file in `stub_dir` and no reachable system bus.
std::map<std::string, std::string> TestEnvironment(const std::string& stub_dir, const std::string& library_dir);
