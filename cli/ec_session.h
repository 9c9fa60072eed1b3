// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One session of vantu-cli with the EC, with every guard a command needs in one place: the
// checks that come before any port is touched, the lock, the port library, the EC's presence,
// termination signals held until the EC is released, and for a write no sleep or shutdown. The
// flash run adds its own checks (battery, chip size, backup; flash/flash_procedure.h).

#include <functional>
#include <string>

#include "cli/cli_output.h"
#include "cli/ec_setup.h"
#include "cli/exit_status.h"

struct SessionPlan {
    std::string command;             // for the result object of a refusal
    bool writes_flash = false;       // write: sleep and signals held off while it runs
    bool needs_ec_answer = true;     // refuse at once when nothing answers at the status port
};

/// Refuses a setup out of range (Refused) before anything else, opens the EC session (Refused
/// while another program holds its lock, naming the holder), loads the port library (NoPortAccess when that fails), applies
/// the setup and refuses a silent EC status port; then runs `body`, whose status it returns.
/// Everything after the setup check runs with the ending signals held (a write's body also
/// with sleep and shutdown blocked); a held signal ends the process once the session is over. The library and the
/// lock are released whatever happens.
ExitStatus RunEcSession(const SessionPlan& plan, const EcSetup& setup, CliOutput& out,
                        const std::function<ExitStatus()>& body);

/// True once a termination signal arrived during the session's body: a command that only
/// reads stops there and releases the EC, a write finishes first.
bool SessionInterrupted();
