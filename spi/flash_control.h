// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Flash control commands built on the follow-mode link. None reports an error: a poll that
// runs past its bound raises HwFault::ChipNotReady, and every later poll then ends at once,
// so the caller checks ec.faulted() after each step.

#include <cstdint>

#include "hw/ec_channel.h"
#include "spi/chip_id.h"

/// Waits until the chip is not busy; ends with no transaction open.
void SPI_WaitReady(EcChannel& ec);
/// Sets the write-enable latch (with 0x50 first for chips that want it) and waits until the
/// chip shows it set and not busy.
void SPI_WriteEnable(EcChannel& ec, const ChipTraits& chip);
/// Clears the write-enable latch and waits until the chip shows it clear.
void SPI_WriteDisable(EcChannel& ec);
/// Writes status 0x00 (block protection off) and waits for the write to finish.
void SPI_Unprotect(EcChannel& ec, const ChipTraits& chip);
/// Writes status 0x0C (block protection on) and waits for the write to finish.
void SPI_Protect(EcChannel& ec, const ChipTraits& chip);
/// Write enable, then opens a transaction with `opcode` and the 24-bit address; the caller
/// sends any data and ends the transaction.
void SPI_OpenWriteCommand(EcChannel& ec, const ChipTraits& chip, uint8_t opcode, uint8_t high, uint8_t middle, uint8_t low);
/// Write enable, then `opcode` with the 24-bit address, then waits for the chip: used for
/// erases, so each one is complete before the next is sent.
void SPI_SimpleCmd(EcChannel& ec, const ChipTraits& chip, uint8_t opcode, uint8_t high, uint8_t middle, uint8_t low);
/// Disables writes, waits until the chip is idle and opens a fast read at the address, dummy
/// byte sent; the caller reads and ends the transaction.
void SPI_OpenFastRead(EcChannel& ec, uint8_t high, uint8_t middle, uint8_t low);
/// The status-register fix one chip type needs after each chunk; sends nothing for others.
/// Sleeps 4 x 100 ms through the injectable clock.
void SPI_ChunkFixup(EcChannel& ec, const ChipTraits& chip);
