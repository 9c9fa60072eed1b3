// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The chunk being worked on and the run's programming progress, held by whoever runs the
// work (the flash run, a test) and handed to erase, programming and verify, which never
// allocate. Programming and verify tell their progress as plain marks; the front end decides
// what, if anything, a person sees of them.

#include <cstdint>
#include <functional>
#include <span>

inline constexpr uint32_t kHalfBytes = 0x8000;   // one half of a chunk
inline constexpr uint32_t kChunkBytes = 0x10000;  // one chunk, the unit of erase and verify

/// A progress mark is told at every position within a 32 KB half that is a multiple of
/// this: eleven marks per half.
inline constexpr uint32_t kProgressMarkEvery = 3276;

enum class ChipProgress : uint8_t {
    Mark,           // another stretch of the chunk was programmed or verified
    VerifyStarted,  // a chunk's verify begins
    VerifyPassed,   // ... and every byte matched
    VerifyFailed,   // ... or one did not, or a wait expired
};
using ChipProgressSink = std::function<void(ChipProgress)>;

/// The image side of one piece of chip work.
struct ChunkWork {
    std::span<const uint8_t> chunk;  // the chunk in hand, kChunkBytes long, 0xFF past the image
    uint32_t image_bytes = 0;        // image length in bytes
    uint32_t bytes_done = 0;         // image bytes sent for programming in this run
    uint32_t rom_sum = 0;            // sum of every byte a verify read back
    ChipProgressSink progress;       // told of every mark; may be empty

    /// True once every image byte was sent for programming; the test is equality on the
    /// run's running total, so a total that steps past the size never meets it.
    bool ImageDone() const { return bytes_done == image_bytes; }
    /// Tells the progress sink, if any.
    void Tell(ChipProgress what) const {
        if (progress) progress(what);
    }
};
