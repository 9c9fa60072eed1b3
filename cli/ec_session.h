#pragma once
// One session of vantu-cli with the EC, with every guard a command needs in one place: the
// checks that come before any port is touched, the port library, and for a write the guards
// that keep the machine from stopping half-way.

#include <functional>
#include <string>

#include "cli/cli_output.h"
#include "cli/ec_setup.h"
#include "cli/exit_status.h"

struct SessionPlan {
    std::string command;        // for the result object of a refusal
    bool writes_flash = false;  // write: the guards of a flash run too
};

/// Refuses a setup out of range (Refused) before anything else, loads the port library
/// (NoPortAccess when that fails), applies the setup and runs `body`, whose status it
/// returns. The library is closed again whatever happens.
ExitStatus RunEcSession(const SessionPlan& plan, const EcSetup& setup, CliOutput& out,
                        const std::function<ExitStatus()>& body);
