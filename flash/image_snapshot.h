// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The image as it was when the flash run began: read whole before anything reaches the EC,
// so a file that changes during the run can never be flashed as a mix of old and new chunks.
// Programming, verify and both sums all work on this copy.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>

enum class SnapshotStatus {
    Taken,
    TooLarge,      // above kMaxImageBytes
    Unmeasurable,  // the length cannot be taken (a pipe, a device, a seek error)
    Unreadable,    // a read failed or ended before the measured length
    NoMemory,
};

/// The whole image padded with 0xFF to whole chunks.
class ImageSnapshot {
public:
    /// Measures `image` and reads it from offset 0 up to its measured length. Anything but
    /// Taken leaves an empty snapshot.
    SnapshotStatus Take(std::FILE* image);
    /// Image bytes taken.
    uint32_t size() const { return size_; }
    /// Chunks of the image, the last one counted when partial.
    uint32_t chunks() const { return chunks_; }
    /// Chunk `index` (below chunks()), kChunkBytes long, without copying.
    std::span<const uint8_t> Chunk(uint32_t index) const;

private:
    std::unique_ptr<uint8_t[]> bytes_;
    uint32_t size_ = 0;
    uint32_t chunks_ = 0;
};
