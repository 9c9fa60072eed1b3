// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings that reach the hardware layer, for any front end: the EC port pair, the
// Super I/O index port and the BRAM bank.

#include "hw/ec_ports.h"
#include "settings/ui_settings.h"

/// EC data port := AcpiPort, command (and status) port := AcpiPort + 4; Super I/O index port
/// 0x4E when SioSelect is set, else 0x2E; BRAM bank 1 or 0 as BramBank says.
EcPorts EcPortsFor(const UiSettings& settings);
