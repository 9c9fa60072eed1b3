// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where vantu-cli finds the EC: the defaults of a missing settings file, or a settings file,
// then the options of the command line on top.

#include <cstdint>
#include <string>

#include "cli/cli_request.h"
#include "hw/ec_ports.h"
#include "settings/ui_settings.h"

struct EcSetup {
    int64_t data_port = 0x3F0;  // the command and status port is 4 above it
    int sio_index_port = 0x2E;
    int bram_bank = 0;
    int64_t end_cmd = 0xFE;     // its low 8 bits end a write; the settings template's value
    UiSettings settings;        // the version source and format, as the settings give them

    int64_t command_port() const { return data_port + 4; }
};

/// The setup `request` asks for. False with `error` (a usage problem, worded with what to do)
/// when the settings file cannot be read or an option's value cannot be used.
bool ResolveEcSetup(const CliRequest& request, EcSetup& setup, std::string& error);

/// Empty when every port lies in range and the end command releases the EC; otherwise why
/// the command is refused. Touches no port.
std::string EcSetupRefusal(const EcSetup& setup);

/// The ports, the Super I/O index port and the BRAM bank the setup names, as the EC work takes them.
EcPorts EcSetupPorts(const EcSetup& setup);
