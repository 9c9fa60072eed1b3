// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Programming one 64 KB chunk from the work's chunk. Every algorithm stops sending data
// once the work's bytes done equal its image length, ends with writes disabled and the chip idle, and stops
// early once a hardware fault is set.

#include <cstdint>

#include "hw/ec_channel.h"
#include "spi/chip_id.h"
#include "spi/chunk_state.h"

/// Programs the chunk at (high, middle, low) with the chip's algorithm; advances work.bytes_done.
void SPI_ProgramChunk(EcChannel& ec, ChunkWork& work, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low);
/// 256-byte page programs (0x02), one ready wait per page.
void SPI_ProgramPage256(EcChannel& ec, ChunkWork& work, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low);
/// Page programs (0x02) of 32-byte pieces, eight per page.
void SPI_ProgramPage32(EcChannel& ec, ChunkWork& work, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low);
/// Auto-address-increment byte program (0xAF); tells 11 progress marks per half.
void SPI_ProgramAaiByte(EcChannel& ec, ChunkWork& work, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low);
/// Auto-address-increment word program (0xAD); bytes done advance per complete pair.
void SPI_ProgramAaiWord(EcChannel& ec, ChunkWork& work, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low);

using ProgramFunction = void (*)(EcChannel& ec, ChunkWork& work, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low);
/// The function that carries out `algorithm`; never null.
ProgramFunction ProgramFunctionFor(ProgramAlgorithm algorithm);
