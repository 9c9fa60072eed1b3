// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a flash run tells while it goes: one event per step, each a plain value that can be
// copied to another thread. Events carry data only (steps, figures, the chip record); each
// front end makes its own texts from them, and no receiver ever parses a text.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "flash/flash_result.h"
#include "version/fw_version.h"

enum class FlashStep : uint8_t {
    FollowModeEntered,  // the EC answered the follow-mode request
    Identifying,        // the chip ID read follows
    RunStarted,         // image size and chip ID known; the checks before the first erase follow
    BackedUp,           // the flash as it was is saved in `result.backup_path`
    ChunkStarted,       // chunk `chunk` of `chunks`
    Comparing,          // only-changed runs: the chunk is read to see whether it differs
    ChunkUnchanged,     // ... and it already held the image: nothing written, counted as verified
    Erasing,
    BlankChecking,
    Programming,
    Verifying,
    ChunkDone,          // the chunk passed, unless `result` names it as failing
    Verified,           // every chunk verified and the EC took the end command
    SumsCompared,       // `result` says Passed or ChecksumMismatch
    Ended,              // always the last event; `result` is final
};

struct FlashEvent {
    FlashStep step = FlashStep::Ended;
    uint32_t image_bytes = 0;           // the image's length, once measured
    uint32_t chunks = 0;                // chunks in the image, once measured
    uint32_t chunk = 0;                 // the chunk being worked on (ChunkStarted to ChunkDone)
    uint32_t bytes_done = 0;            // image bytes sent for programming so far
    FlashResult result;                 // the run's result as it stands: Passed until something fails
    std::optional<FwVersionRead> version;  // Ended of a passing run asked to read it: the firmware's version after it
};

using FlashListener = std::function<void(const FlashEvent&)>;
