#pragma once
// The image as it was when the flash run began: read whole before anything reaches the EC,
// so a file that changes during the run can never be flashed as a mix of old and new chunks.
// Programming, verify and both sums all work on this copy.

#include <cstdint>
#include <memory>

enum class SnapshotStatus {
    Taken,
    TooLarge,      // above kMaxImageBytes
    Unmeasurable,  // the length cannot be taken (a pipe, a device, a seek error)
    Unreadable,    // a read failed or ended before the measured length
    NoMemory,
};

/// The whole image padded with 0xFF to whole chunks. While it lives, DeliverChunk points the
/// chunk halves into it; it puts the halves back as it found them when it ends.
class ImageSnapshot {
public:
    ImageSnapshot();
    ~ImageSnapshot();
    ImageSnapshot(const ImageSnapshot&) = delete;
    ImageSnapshot& operator=(const ImageSnapshot&) = delete;

    /// Measures g_ImageFile (setting g_FileSize and g_SectorCount) and reads it from offset 0
    /// up to its measured length. Anything but Taken leaves an empty snapshot.
    SnapshotStatus Take();
    /// Image bytes taken.
    uint32_t size() const { return size_; }
    /// Chunks of the image, the last one counted when partial.
    uint32_t chunks() const { return chunks_; }
    /// Makes chunk `index` (below chunks()) the chunk in the halves, without copying, and
    /// counts it in g_ChunkNo as the reader does.
    void DeliverChunk(uint32_t index);

private:
    std::unique_ptr<uint8_t[]> bytes_;
    uint32_t size_ = 0;
    uint32_t chunks_ = 0;
    uint8_t* previous_low_;
    uint8_t* previous_high_;
};
