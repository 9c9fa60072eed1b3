#pragma once
// Programming one 64 KB chunk from the two chunk halves. Every algorithm stops sending data
// once g_BytesDone equals g_FileSize, ends with writes disabled and the chip idle, and stops
// early once a hardware fault is set.

#include <cstdint>

#include "spi/chip_id.h"

/// Programs the chunk at (high, middle, low) with the chip's algorithm; advances g_BytesDone.
void SPI_ProgramChunk(uint8_t high, uint8_t middle, uint8_t low);
/// 256-byte page programs (0x02), one ready wait per page.
void SPI_ProgramPage256(uint8_t high, uint8_t middle, uint8_t low);
/// Page programs (0x02) of 32-byte pieces, eight per page.
void SPI_ProgramPage32(uint8_t high, uint8_t middle, uint8_t low);
/// Auto-address-increment byte program (0xAF); prints 11 progress marks per half.
void SPI_ProgramAaiByte(uint8_t high, uint8_t middle, uint8_t low);
/// Auto-address-increment word program (0xAD); g_BytesDone advances per complete pair.
void SPI_ProgramAaiWord(uint8_t high, uint8_t middle, uint8_t low);

using ProgramFunction = void (*)(uint8_t high, uint8_t middle, uint8_t low);
/// The function that carries out `algorithm`; never null.
ProgramFunction ProgramFunctionFor(ProgramAlgorithm algorithm);
