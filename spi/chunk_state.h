#pragma once
// The chunk being worked on and the run's programming progress. The image reader fills the
// two halves; erase, programming and verify read them and never allocate. Programming and
// verify also write their progress marks and lines to a text stream, stdout by default.

#include <cstdint>
#include <cstdio>

#include "hw/scoped_override.h"

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

extern std::FILE* g_ProgressOut;  // where the progress marks and verify lines go

/// A progress mark is written at every position within a 32 KB half that is a multiple of
/// this: eleven marks per half.
inline constexpr uint32_t kProgressMarkEvery = 3276;

/// Writes the progress character (code 219) with "%c".
void SPI_PrintProgressMark();
/// Writes `text` unchanged.
void SPI_PrintProgressText(const char* text);

/// Sends the progress text to `out` until the guard ends, so a test sees the exact bytes and
/// a benchmark keeps them off the terminal.
class ScopedProgressOut : public ScopedOverride<std::FILE*> {
public:
    explicit ScopedProgressOut(std::FILE* out) : ScopedOverride(g_ProgressOut, out) {}
};
