// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two places the running firmware publishes its version bytes, and the one reader that
// gathers them. Formatting is apart, in version/version_format.h.

#include <cstdint>
#include <vector>

#include "hw/ec_channel.h"

enum class VersionSource : uint8_t {
    EcSpace,  // the EC's register space, read command 0x80
    Bram,     // the EC's battery-backed RAM behind the Super I/O
};

/// One byte of the EC's battery-backed RAM: activates the BRAM device, reads its base
/// address afresh from the Super I/O space at `ports`, then index out and data in. Never fails; an
/// absent BRAM yields whatever the port returns.
uint8_t BRAM_ReadByte(const EcPorts& ports, uint8_t index);

/// One byte of EC space through the EC's read command 0x80, one full transaction per byte.
/// 0x00 when a bounded EC wait expires (the channel's fault is then set).
uint8_t EC_ReadSpaceByte(EcChannel& ec, uint8_t index);

/// Reads `count` bytes from `source` at index, index + 1, ... (8-bit wrap), each byte a
/// transaction of its own, in address order, over `ec` (its ports for BRAM).
std::vector<uint8_t> FW_ReadVersionBytes(EcChannel& ec, VersionSource source, uint8_t index, int count);
