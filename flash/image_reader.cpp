#include "flash/image_reader.h"

#include <cstring>

std::FILE* g_ImageFile = nullptr;
uint8_t g_ChunkNo = 0;
uint16_t g_SectorCount = 0;
uint32_t g_BinSum = 0;

namespace {

constexpr uint32_t kSectorBytes = 4096;

uint16_t SectorsFor(uint32_t file_size) {
    auto count = static_cast<uint16_t>(file_size / kSectorBytes);
    if (static_cast<uint32_t>(count) * kSectorBytes < file_size) ++count;
    return count;
}

uint16_t ReadHalf(uint8_t* half) {
    return static_cast<uint16_t>(std::fread(half, 1, kHalfBytes, g_ImageFile));
}

void FillFrom(uint8_t* half, uint16_t filled) { std::memset(half + filled, 0xFF, kHalfBytes - filled); }

// 64-bit positions, so no image size wraps into a small one.
bool SeekTo(std::FILE* file, int64_t offset, int origin) {
#ifdef _WIN32
    return _fseeki64(file, offset, origin) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), origin) == 0;
#endif
}

int64_t Tell(std::FILE* file) {
#ifdef _WIN32
    return _ftelli64(file);
#else
    return static_cast<int64_t>(ftello(file));
#endif
}

}  // namespace

bool IMG_MeasureImage() {
    if (g_ImageFile == nullptr) return false;
    if (!SeekTo(g_ImageFile, 0, SEEK_END)) return false;
    const int64_t length = Tell(g_ImageFile);
    if (!SeekTo(g_ImageFile, 0, SEEK_SET) || length < 0) return false;
    if (static_cast<uint64_t>(length) > kMaxImageBytes) return false;
    g_FileSize = static_cast<uint32_t>(length);
    g_SectorCount = SectorsFor(g_FileSize);
    return true;
}

bool IMG_ReadChunk() {
    if (g_ImageFile == nullptr) return false;
    const uint16_t low_read = ReadHalf(g_LowHalf);
    if (low_read == 0) return false;
    ++g_ChunkNo;
    if (low_read == kHalfBytes) {
        FillFrom(g_HighHalf, ReadHalf(g_HighHalf));
    } else {
        // A short read is the end of the data: the file is not read again for this chunk.
        FillFrom(g_LowHalf, low_read);
        FillFrom(g_HighHalf, 0);
    }
    return true;
}

bool IMG_ReadOk() { return g_ImageFile != nullptr && std::ferror(g_ImageFile) == 0; }

bool IMG_ReadWhole() { return IMG_ReadOk() && Tell(g_ImageFile) == static_cast<int64_t>(g_FileSize); }

void IMG_AddChunkToSum() {
    uint32_t sum = g_BinSum;
    for (uint32_t i = 0; i < kHalfBytes; ++i) sum += g_LowHalf[i];
    for (uint32_t i = 0; i < kHalfBytes; ++i) sum += g_HighHalf[i];
    g_BinSum = sum;
}
