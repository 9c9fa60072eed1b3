// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The firmware image file as a sequence of 64 KB chunks, the tail of the last chunk filled
// with 0xFF, and its byte sum as a flash run takes it.

#include <cstdint>
#include <cstdio>

#include <span>

#include "spi/chunk_state.h"

/// The largest image accepted: 256 chunks fill the 24-bit flash address space.
inline constexpr uint64_t kMaxImageBytes = 256ull * kChunkBytes;

enum class ImageLength {
    Measured,      // the measure holds it
    TooLarge,      // above kMaxImageBytes
    Unmeasurable,  // no image, not a regular file (a pipe, a device), or a seek that failed
};

struct ImageMeasure {
    ImageLength status = ImageLength::Unmeasurable;
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
