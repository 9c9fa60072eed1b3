// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a programmed chunk back: compared with the work's chunk (verify) or summed and
// copied to a dump (read-back).

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>

#include "spi/chunk_state.h"

/// Compares all 65536 bytes of the chunk with work.chunk, adding each byte read to
/// work.rom_sum and telling the progress; true when all match. False at the first mismatch
/// (that byte already summed) or on a hardware fault. Ends with no transaction open.
bool SPI_Verify(ChunkWork& work, uint8_t high, uint8_t middle, uint8_t low);
/// Reads the chunk, adding each byte to `sum` and copying it to `dump` when one is given;
/// false only when a hardware fault cut the read short.
bool SPI_ReadBackChunk(uint8_t high, uint8_t middle, uint8_t low, uint32_t& sum, std::FILE* dump);
/// Reads the 65536 bytes of the chunk into `out`; false when a hardware fault cut the read short.
bool SPI_ReadChunk(uint8_t high, uint8_t middle, uint8_t low, uint8_t* out);

struct ChunkComparison {
    bool faulted = false;                      // a bounded wait expired: nothing below holds
    std::optional<uint32_t> first_difference;  // chunk offset of the first byte unlike `expected`
    uint32_t sum = 0;                          // byte sum of what was read (the whole chunk when it matched)
};
/// Reads the chunk and compares it with `expected` (kChunkBytes long), stopping at the first
/// differing byte. Tells nothing. Ends with no transaction open.
ChunkComparison SPI_CompareChunk(std::span<const uint8_t> expected, uint8_t high, uint8_t middle, uint8_t low);

inline constexpr const char* kLoadRomName = "LoadRom.bin";
/// Creates a dump at `path` ("LoadRom.bin" in the current directory unless told otherwise);
/// null when it cannot be created.
std::FILE* SPI_OpenDump(const char* path = kLoadRomName);
/// Closes `dump` if open and clears it; true when every byte reached the file (false also
/// when none was open).
bool SPI_CloseDump(std::FILE*& dump);
