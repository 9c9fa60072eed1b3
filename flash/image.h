// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The firmware image: opened only when it is a regular file, measured, read as 64 KB chunks
// whose tail is filled with 0xFF, summed as a flash run sums it, and taken whole as a snapshot.
// What differs between platforms lives in image_posix.cpp and image_win.cpp.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <span>

#include "spi/chunk_state.h"

// Opening. Only a regular file is ever read: a FIFO would block the open (and every read)
// until some other program writes to it, and a device would be read or even changed by the
// open itself.

enum class ImageOpenStatus {
    Opened,          // `file` is open for reading at offset 0
    CannotOpen,      // missing, unreadable, or an empty name
    NotRegularFile,  // a FIFO, device, socket or directory: refused, nothing read
};

struct OpenedImage {
    ImageOpenStatus status = ImageOpenStatus::CannotOpen;
    std::FILE* file = nullptr;  // owned by the caller when Opened
};

/// The text a front end shows for an image refused as NotRegularFile.
inline constexpr const char* kImageNotRegularText = "Bin file is not a regular file, not read!!";

/// Opens the image at `path` for untranslated reading without ever blocking. Accepts a
/// regular file, also through a link; anything else is refused without being read.
OpenedImage IMG_OpenImage(const char* path);

/// Test seam: while it lives, `opener` stands in for IMG_OpenImage (for instance to hand
/// out a stream that fails at a chosen offset).
class ScopedImageOpener {
public:
    explicit ScopedImageOpener(std::function<OpenedImage(const char*)> opener);
    ~ScopedImageOpener();
    ScopedImageOpener(const ScopedImageOpener&) = delete;
    ScopedImageOpener& operator=(const ScopedImageOpener&) = delete;

private:
    std::function<OpenedImage(const char*)> previous_;
};

/// The opener itself, never the stand-in: for a stand-in that wraps the real file.
OpenedImage IMG_OpenImageFile(const char* path);

// Measuring and reading.

/// The largest image accepted: 256 chunks fill the 24-bit flash address space.
inline constexpr uint64_t kMaxImageBytes = 256ull * kChunkBytes;

enum class ImageLength {
    Measured,      // the measure holds it
    TooLarge,      // above kMaxImageBytes
    Unmeasurable,  // no image, not a regular file (a pipe, a device), or a seek that failed
};

struct ImageMeasure {
    ImageLength status = ImageLength::Unmeasurable;
    uint64_t length = 0;   // the file's whole length (Measured and TooLarge)
    uint32_t bytes = 0;    // image length (Measured only)
    uint16_t sectors = 0;  // image length in 4 KB units, a partial unit counted as one
};

/// Takes the length of `image` (as 64 bits, so no size wraps into a small one); Measured only
/// when it is at most kMaxImageBytes. Leaves the file at offset 0 whenever it could seek.
ImageMeasure IMG_MeasureImage(std::FILE* image);
/// Reads the next chunk of `image` into `chunk` (kChunkBytes long), 0xFF past the data;
/// false, with `chunk` unchanged, once the file has no more bytes.
bool IMG_ReadChunk(std::FILE* image, std::span<uint8_t> chunk);
/// False once a read of `image` has failed: a read error ends the data like the end of the
/// file does, so a caller that must not take a damaged image for a short one asks here.
bool IMG_ReadOk(std::FILE* image);
/// `sum` with the bytes of the whole chunk added.
uint32_t IMG_AddChunkToSum(uint32_t sum, std::span<const uint8_t> chunk);

// The snapshot: the image as it was when the flash run began, read whole before anything
// reaches the EC, so a file that changes during the run can never be flashed as a mix of old
// and new chunks. Programming, verify and both sums all work on this copy.

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

// The platform's part of measuring, in 64-bit positions so no image size wraps into a small one.

/// True when `file` has a length that is the image's: a regular file, or a stream without a
/// descriptor (judged by its seek alone). A pipe cannot seek, and a device seeks to 0.
bool IMG_HasFileLength(std::FILE* file);
/// True when `file` moved to `offset` from `origin` (SEEK_SET, SEEK_END).
bool IMG_SeekTo(std::FILE* file, int64_t offset, int origin);
/// The position in `file`, negative when it cannot be told.
int64_t IMG_Tell(std::FILE* file);
