// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The exit statuses of vantu-cli: what a script may test. One table serves the code, --help
// and the manual page.

#include <span>

enum class ExitStatus : int {
    Passed = 0,        // the command did all it was asked
    Failed = 1,        // flashing, reading or comparing failed part-way, or the flash differs
    Usage = 2,         // the command line or a file named on it cannot be used
    Refused = 3,       // a check refused the command before anything was written
    NoPortAccess = 4,  // no administrator rights, or the port library could not be loaded or gives no port access
};

struct ExitStatusDoc {
    ExitStatus status;
    const char* meaning;  // one line, for --help, the manual page and the README
};

/// Every status in numeric order with its meaning.
std::span<const ExitStatusDoc> ExitStatusDocs();

inline int AsInt(ExitStatus status) { return static_cast<int>(status); }
