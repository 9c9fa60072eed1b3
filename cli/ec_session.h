#pragma once
// One session of vantu-cli with the EC, with every guard a command needs in one place: the
// checks that come before any port is touched, the lock, the port library, the EC's presence,
// and for a write the battery and the guards that keep the machine from stopping half-way.

#include <functional>
#include <string>

#include "cli/cli_output.h"
#include "cli/ec_setup.h"
#include "cli/exit_status.h"
#include "hw/power_supply.h"

struct SessionPlan {
    std::string command;             // for the result object of a refusal
    bool writes_flash = false;       // write: battery checked, sleep and signals held off
    bool needs_ec_answer = true;     // refuse at once when nothing answers at the status port
    std::string power_supply_root = kPowerSupplyRoot;
};

/// Refuses a setup out of range (Refused) before anything else, takes the flash lock (Refused
/// while another run holds it), loads the port library (NoPortAccess when that fails), applies
/// the setup, refuses a silent EC status port and, for a write, a low battery without AC; then
/// runs `body`, whose status it returns. A write's body runs with sleep and shutdown blocked
/// and termination signals held. The library and the lock are released whatever happens.
ExitStatus RunEcSession(const SessionPlan& plan, const EcSetup& setup, CliOutput& out,
                        const std::function<ExitStatus()>& body);
