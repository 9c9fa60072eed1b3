// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Erasing one 64 KB chunk and checking that the part of it the image occupies reads 0xFF.

#include <cstdint>

#include "hw/ec_channel.h"
#include "spi/chip_id.h"

/// Erases the chunk at (high, middle, low) with the chip's erase variant; every erase is
/// complete before the next is sent. Stops early once a hardware fault is set.
void SPI_EraseChunk(EcChannel& ec, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low);
/// True when every chunk byte below the image end (`image_bytes`) reads 0xFF; false at the first byte that
/// does not, or when a hardware fault is set. Ends with no transaction open.
bool SPI_BlankCheck(EcChannel& ec, uint32_t image_bytes, uint8_t high, uint8_t middle, uint8_t low);
