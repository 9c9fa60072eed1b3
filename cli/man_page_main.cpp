// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the manual page of vantu-cli to standard output; the build runs it.

#include <cstdio>

#include "cli/command_line.h"
#include "cli/man_page.h"

int main() {
    CLI::App app{"", kProgramName};
    CliRequest request;
    DefineCommandLine(app, request);
    const std::string page = ManPage(app);
    return std::fwrite(page.data(), 1, page.size(), stdout) == page.size() ? 0 : 1;
}
