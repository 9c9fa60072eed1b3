// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether a pair of EC port numbers reaches the hardware as given. Only the low 16 bits of
// a port number reach the port library, so a number above 0xFFFF would silently address
// another port (0x10000 becomes 0x0000), and port 0 is never an EC's.

#include <cstdint>
#include <string>

inline constexpr int64_t kLowestEcPort = 0x0001;
inline constexpr int64_t kHighestEcPort = 0xFFFF;

/// Empty when both ports lie within kLowestEcPort..kHighestEcPort; otherwise the text that
/// tells the user which port cannot be used. Nothing is touched either way.
std::string EC_PortRangeError(int64_t cmd_port, int64_t data_port);

/// The check for the ports in use (g_CmdPort, g_StatusPort, g_DataPort): empty when every
/// EC operation may go ahead.
std::string EC_PortsInUseError();
