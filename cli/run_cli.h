// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/// vantu-cli from its arguments to its exit status (see cli/exit_status.h).
int RunCli(int argc, char** argv);
