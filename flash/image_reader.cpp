// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/image_reader.h"

#include <cstring>

#include <sys/stat.h>

namespace {

constexpr uint32_t kSectorBytes = 4096;

uint16_t SectorsFor(uint32_t file_size) {
    auto count = static_cast<uint16_t>(file_size / kSectorBytes);
    if (static_cast<uint32_t>(count) * kSectorBytes < file_size) ++count;
    return count;
}

uint16_t ReadHalf(std::FILE* image, uint8_t* half) {
    return static_cast<uint16_t>(std::fread(half, 1, kHalfBytes, image));
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

ImageMeasure IMG_MeasureImage(std::FILE* image) {
    ImageMeasure measure;
    if (image == nullptr || !HasFileLength(image)) return measure;
    if (!SeekTo(image, 0, SEEK_END)) return measure;
    const int64_t length = Tell(image);
    if (!SeekTo(image, 0, SEEK_SET) || length < 0) return measure;
    if (static_cast<uint64_t>(length) > kMaxImageBytes) {
        measure.status = ImageLength::TooLarge;
        return measure;
    }
    measure.status = ImageLength::Measured;
    measure.bytes = static_cast<uint32_t>(length);
    measure.sectors = SectorsFor(measure.bytes);
    return measure;
}

bool IMG_ReadChunk(std::FILE* image, std::span<uint8_t> chunk) {
    if (image == nullptr) return false;
    uint8_t* const low = chunk.data();
    uint8_t* const high = low + kHalfBytes;
    const uint16_t low_read = ReadHalf(image, low);
    if (low_read == 0) return false;
    if (low_read == kHalfBytes) {
        FillFrom(high, ReadHalf(image, high));
    } else {
        // A short read is the end of the data: the file is not read again for this chunk.
        FillFrom(low, low_read);
        FillFrom(high, 0);
    }
    return true;
}

bool IMG_ReadOk(std::FILE* image) { return image != nullptr && std::ferror(image) == 0; }

uint32_t IMG_AddChunkToSum(uint32_t sum, std::span<const uint8_t> chunk) {
    for (const uint8_t byte : chunk) sum += byte;
    return sum;
}
