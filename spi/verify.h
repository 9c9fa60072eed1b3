// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a programmed chunk back: compared with the work's chunk (verify) or summed and
// copied to a dump (read-back).

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>

#include "hw/ec_channel.h"
#include "spi/chunk_state.h"

/// Compares all 65536 bytes of the chunk with work.chunk, adding each byte read to
/// work.rom_sum and telling the progress; true when all match. False at the first mismatch
/// (that byte already summed) or on a hardware fault. Ends with no transaction open.
bool SPI_Verify(EcChannel& ec, ChunkWork& work, uint8_t high, uint8_t middle, uint8_t low);
/// Reads the chunk, adding each byte to `sum` and copying it to `dump` when one is given;
/// false only when a hardware fault cut the read short.
bool SPI_ReadBackChunk(EcChannel& ec, uint8_t high, uint8_t middle, uint8_t low, uint32_t& sum, std::FILE* dump);
/// Reads the 65536 bytes of the chunk into `out`; false when a hardware fault cut the read short.
bool SPI_ReadChunk(EcChannel& ec, uint8_t high, uint8_t middle, uint8_t low, uint8_t* out);

struct ChunkComparison {
    bool faulted = false;                      // a bounded wait expired: nothing below holds
    std::optional<uint32_t> first_difference;  // chunk offset of the first byte unlike `expected`
    uint32_t sum = 0;                          // byte sum of what was read (the whole chunk when it matched)
};
/// Reads the chunk and compares it with `expected` (kChunkBytes long), stopping at the first
/// differing byte. Tells nothing. Ends with no transaction open.
ChunkComparison SPI_CompareChunk(EcChannel& ec, std::span<const uint8_t> expected, uint8_t high, uint8_t middle, uint8_t low);
