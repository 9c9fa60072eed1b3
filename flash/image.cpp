// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/image.h"

#include <cstring>
#include <new>
#include <utility>

namespace {

std::function<OpenedImage(const char*)> g_Opener;

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

}  // namespace

OpenedImage IMG_OpenImage(const char* path) { return g_Opener ? g_Opener(path) : IMG_OpenImageFile(path); }

ScopedImageOpener::ScopedImageOpener(std::function<OpenedImage(const char*)> opener)
    : previous_(std::exchange(g_Opener, std::move(opener))) {}

ScopedImageOpener::~ScopedImageOpener() { g_Opener = std::move(previous_); }

ImageMeasure IMG_MeasureImage(std::FILE* image) {
    ImageMeasure measure;
    if (image == nullptr || !IMG_HasFileLength(image)) return measure;
    if (!IMG_SeekTo(image, 0, SEEK_END)) return measure;
    const int64_t length = IMG_Tell(image);
    if (!IMG_SeekTo(image, 0, SEEK_SET) || length < 0) return measure;
    measure.length = static_cast<uint64_t>(length);
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

SnapshotStatus ImageSnapshot::Take(std::FILE* image) {
    const ImageMeasure measure = IMG_MeasureImage(image);
    switch (measure.status) {
        case ImageLength::Measured: break;
        case ImageLength::TooLarge: return SnapshotStatus::TooLarge;
        case ImageLength::Unmeasurable: return SnapshotStatus::Unmeasurable;
    }
    const uint32_t size = measure.bytes;
    const uint32_t chunks = static_cast<uint32_t>((uint64_t{size} + kChunkBytes - 1) / kChunkBytes);
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[size_t{chunks} * kChunkBytes]);
    if (chunks > 0 && bytes == nullptr) return SnapshotStatus::NoMemory;
    // The measured length is what gets flashed: a file that is shorter by now, or whose read
    // fails, never passes for a complete image.
    if (size > 0 && std::fread(bytes.get(), 1, size, image) != size) return SnapshotStatus::Unreadable;
    if (std::ferror(image) != 0) return SnapshotStatus::Unreadable;
    std::memset(bytes.get() + size, 0xFF, size_t{chunks} * kChunkBytes - size);
    bytes_ = std::move(bytes);
    size_ = size;
    chunks_ = chunks;
    return SnapshotStatus::Taken;
}

std::span<const uint8_t> ImageSnapshot::Chunk(uint32_t index) const {
    return {bytes_.get() + size_t{index} * kChunkBytes, kChunkBytes};
}
