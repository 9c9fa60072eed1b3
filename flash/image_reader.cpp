#include "flash/image_reader.h"

#include <cstring>

#include <sys/stat.h>

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

// A pipe cannot seek, and a character device seeks to a length of 0: only a regular file has
// a length that is the image's. A stream without a descriptor is judged by its seek alone.
bool HasFileLength(std::FILE* file) {
#ifdef _WIN32
    const int fd = _fileno(file);
    struct _stat64 info {};
    return fd < 0 || (_fstat64(fd, &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG);
#else
    const int fd = fileno(file);
    struct stat info {};
    return fd < 0 || (fstat(fd, &info) == 0 && S_ISREG(info.st_mode));
#endif
}

}  // namespace

ImageLength IMG_MeasureImage() {
    if (g_ImageFile == nullptr || !HasFileLength(g_ImageFile)) return ImageLength::Unmeasurable;
    if (!SeekTo(g_ImageFile, 0, SEEK_END)) return ImageLength::Unmeasurable;
    const int64_t length = Tell(g_ImageFile);
    if (!SeekTo(g_ImageFile, 0, SEEK_SET) || length < 0) return ImageLength::Unmeasurable;
    if (static_cast<uint64_t>(length) > kMaxImageBytes) return ImageLength::TooLarge;
    g_FileSize = static_cast<uint32_t>(length);
    g_SectorCount = SectorsFor(g_FileSize);
    return ImageLength::Measured;
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

void IMG_AddChunkToSum() {
    uint32_t sum = g_BinSum;
    for (uint32_t i = 0; i < kHalfBytes; ++i) sum += g_LowHalf[i];
    for (uint32_t i = 0; i < kHalfBytes; ++i) sum += g_HighHalf[i];
    g_BinSum = sum;
}
