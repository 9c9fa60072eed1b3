// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What must hold before a flash run may ask the EC for follow mode: ports that reach the EC
// as given, and an end command that really releases it.

#include <cstdint>
#include <string>

#include "hw/ec_ports.h"

/// True for a byte that the EC in follow mode takes as a link command (select, shift out,
/// shift in, deselect): sent as the end command, it would leave the EC in follow mode with
/// its own firmware stopped, while the run reports success.
bool IsFollowLinkCommand(uint8_t command);

/// Empty when the setting's end command (its low 8 bits are sent) releases the EC; else the
/// text that tells the user why the flash is refused.
std::string EndCommandRefusal(int32_t flash_end_cmd);

/// Empty when a flash run may start: the EC `ports` are in range and the end command
/// releases the EC. Otherwise the first reason, worded for the user. Touches no port.
std::string FlashStartRefusal(const EcPorts& ports, int32_t flash_end_cmd);
