// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The five commands of vantu-cli. Each reports through `out` and returns the exit status; the
// ones that reach the EC do so inside one session (cli/ec_session.h).

#include "cli/cli_output.h"
#include "cli/cli_request.h"
#include "cli/ec_setup.h"
#include "cli/exit_status.h"
#include "flash/flash_result.h"

/// vantu-cli from its arguments to its exit status (see cli/exit_status.h).
int RunCli(int argc, char** argv);

ExitStatus RunProbe(const CliRequest& request, const EcSetup& setup, CliOutput& out);
ExitStatus RunRead(const CliRequest& request, const EcSetup& setup, CliOutput& out);
ExitStatus RunWrite(const CliRequest& request, const EcSetup& setup, CliOutput& out);
ExitStatus RunVerify(const CliRequest& request, const EcSetup& setup, CliOutput& out);
ExitStatus RunSum(const CliRequest& request, const EcSetup& setup, CliOutput& out);

/// The status of a write that ended with `outcome`: Refused for every outcome decided before
/// anything was erased, Usage for an image that could not be taken, Failed once the flash was
/// touched, Passed when every chunk verified.
ExitStatus WriteExitStatus(FlashOutcome outcome);
