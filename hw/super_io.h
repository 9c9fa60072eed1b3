// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The EC chip's Super I/O configuration space: chip ID and the BRAM logical device, at the
// index port and BRAM bank that `ports` name.

#include <cstdint>

#include "hw/ec_ports.h"

/// The four-byte entry key; its last byte is 0x55 on index port 0x2E, 0xAA otherwise.
void SIO_EnterConfig(const EcPorts& ports);
void SIO_ExitConfig(const EcPorts& ports);
/// Entry key, register select, data read; leaves configuration mode on. 0 without any
/// port access while the port library is not open.
uint8_t SIO_ReadReg(const EcPorts& ports, uint8_t reg);
/// The 16-bit chip ID from registers 0x20 (high) and 0x21 (low), read in an EC session; 0
/// without any port access when the session is refused.
uint16_t SIO_ReadChipId(const EcPorts& ports);
struct LdnBase {
    uint8_t high;
    uint8_t low;
};
/// Selects logical device `ldn` and reads its base-address pair at the BRAM bank's registers.
LdnBase SIO_ReadLdnBase(const EcPorts& ports, uint8_t ldn);
/// Selects logical device 0x10 (BRAM) and activates it.
void SIO_EnableBram(const EcPorts& ports);
