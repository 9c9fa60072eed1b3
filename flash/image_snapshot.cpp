// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/image_snapshot.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "flash/image_reader.h"
#include "spi/chunk_state.h"

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
