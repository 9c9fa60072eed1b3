// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the EC answers: its port pair and its Super I/O configuration space. A value the
// front end makes from its settings and hands to each piece of EC work.
//
// Only the low 16 bits of a port number reach the port library, so a number above 0xFFFF
// would silently address another port (0x10000 becomes 0x0000), and port 0 is never an EC's.

#include <cstdint>
#include <string>

struct EcPorts {
    int command = 0x3F4;        // the command port, read as the status port too
    int data = 0x3F0;
    int sio_index = 0x2E;       // 0x2E or 0x4E; the Super I/O data port is one above
    int bram_base_reg = 0x60;   // 0x60 (BRAM bank 0) or 0x62 (bank 1)
    bool operator==(const EcPorts&) const = default;
};

/// The Super I/O index port the settings' choice selects: 0x4E when set, else 0x2E.
inline constexpr int SioIndexPortFor(bool port_4e) { return port_4e ? 0x4E : 0x2E; }
/// Bank 0 selects base registers 0x60/0x61, any other bank 0x62/0x63.
inline constexpr int BramBaseRegFor(int bank) { return bank == 0 ? 0x60 : 0x62; }

inline constexpr int64_t kLowestEcPort = 0x0001;
inline constexpr int64_t kHighestEcPort = 0xFFFF;

/// Empty when both ports lie within kLowestEcPort..kHighestEcPort; otherwise the text that
/// tells the user which port cannot be used. Nothing is touched either way.
std::string EC_PortRangeError(int64_t cmd_port, int64_t data_port);

/// The same check for `ports`: empty when every EC operation may go ahead.
inline std::string EC_PortsInUseError(const EcPorts& ports) { return EC_PortRangeError(ports.command, ports.data); }
