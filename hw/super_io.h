// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The EC chip's Super I/O configuration space: chip ID and the BRAM logical device.

#include <cstdint>

extern int g_SioIndexPort;  // 0x2E or 0x4E; the data port is one above
extern int g_BramBaseReg;   // 0x60 (bank 0) or 0x62 (bank 1)

void SIO_SetIndexPort(int port);
/// Bank 0 selects base registers 0x60/0x61, any other bank 0x62/0x63.
void SIO_SetBramBank(int bank);
/// The four-byte entry key; its last byte is 0x55 on index port 0x2E, 0xAA otherwise.
void SIO_EnterConfig();
void SIO_ExitConfig();
/// Entry key, register select, data read; leaves configuration mode on. 0 without any
/// port access while the port library is not open.
uint8_t SIO_ReadReg(uint8_t reg);
/// The 16-bit chip ID from registers 0x20 (high) and 0x21 (low), read in an EC session; 0
/// without any port access when the session is refused.
uint16_t SIO_ReadChipId();
struct LdnBase {
    uint8_t high;
    uint8_t low;
};
/// Selects logical device `ldn` and reads its base-address pair at g_BramBaseReg.
LdnBase SIO_ReadLdnBase(uint8_t ldn);
/// Selects logical device 0x10 (BRAM) and activates it.
void SIO_EnableBram();
