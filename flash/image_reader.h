#pragma once
// The firmware image as a sequence of 64 KB chunks in the two chunk halves (see
// spi/chunk_state.h), the tail of the last chunk filled with 0xFF, and the flash state
// that the flash procedure and the checksum tools share with the reader.

#include <cstdint>
#include <cstdio>

#include "hw/scoped_override.h"
#include "spi/chunk_state.h"

extern std::FILE* g_ImageFile;   // the open image ("rb"), owned by the caller
extern uint8_t g_ChunkNo;        // chunks delivered since the caller zeroed it; wraps at 256
extern uint16_t g_SectorCount;   // image length in 4 KB units, a partial unit counted as one
extern uint32_t g_BinSum;        // byte sum of every chunk delivered, fill included

/// The largest image accepted: 256 chunks fill the 24-bit flash address space.
inline constexpr uint64_t kMaxImageBytes = 256ull * kChunkBytes;

enum class ImageLength {
    Measured,      // g_FileSize and g_SectorCount hold it
    TooLarge,      // above kMaxImageBytes
    Unmeasurable,  // no image, not a regular file (a pipe, a device), or a seek that failed
};

/// Takes the length of g_ImageFile (as 64 bits, so no size wraps into a small one) and, when
/// it is at most kMaxImageBytes, sets g_FileSize and g_SectorCount. Any other answer leaves
/// both as they were. Leaves the file at offset 0 whenever it could seek.
ImageLength IMG_MeasureImage();
/// Delivers the next chunk into the halves and advances g_ChunkNo; false, with nothing
/// changed, once the file has no more bytes.
bool IMG_ReadChunk();
/// False once a read of g_ImageFile has failed: a read error ends the data like the end of
/// the file does, so a caller that must not take a damaged image for a short one asks here.
bool IMG_ReadOk();
/// Adds the 65536 bytes of the chunk in the halves to g_BinSum.
void IMG_AddChunkToSum();

/// Makes `file` the image until the guard ends, then puts back the one before; the caller
/// still opens and closes the file.
class ScopedImageFile : public ScopedOverride<std::FILE*> {
public:
    explicit ScopedImageFile(std::FILE* file) : ScopedOverride(g_ImageFile, file) {}
};
