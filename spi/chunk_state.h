#pragma once
// The chunk being worked on and the run's programming progress. The image reader fills the
// two halves; erase, programming and verify read them and never allocate.

#include <cstdint>

inline constexpr uint32_t kHalfBytes = 0x8000;   // one half of a chunk
inline constexpr uint32_t kChunkBytes = 0x10000;  // one chunk, the unit of erase and verify

extern uint8_t* g_LowHalf;   // chunk offsets 0x0000..0x7FFF
extern uint8_t* g_HighHalf;  // chunk offsets 0x8000..0xFFFF
extern uint32_t g_FileSize;  // image length in bytes
extern uint32_t g_BytesDone; // image bytes sent for programming in this run

/// True once every image byte was sent for programming; the test is equality on the
/// run's running total, so a total that steps past the size never meets it.
inline bool SPI_ImageDone() { return g_BytesDone == g_FileSize; }

/// The chunk byte at `offset` (0..0xFFFF), taken from the half that holds it.
inline uint8_t ChunkByte(uint32_t offset) {
    return offset < kHalfBytes ? g_LowHalf[offset] : g_HighHalf[offset - kHalfBytes];
}
