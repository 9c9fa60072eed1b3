// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The texts and values the window shows for a flash run, made from its events' data in one
// place.

#include <optional>
#include <string>
#include <vector>

#include "flash/flash_events.h"
#include "spi/chunk_state.h"

namespace flash_text {
inline constexpr const char* kImageTooLarge = "Bin file over 16MB, not flashed!!";
inline constexpr const char* kImageSizeUnknown = "Bin file size unknown, not flashed!!";
inline constexpr const char* kImageShort = "Bin file read error!!";
inline constexpr const char* kNoMemory = "Not enough memory for flash buffers!!";
}  // namespace flash_text

/// What the window shows for an event, applied in this order. Empty texts leave their
/// control as it is.
struct FlashDisplay {
    std::string status;              // the status line
    std::vector<std::string> memo;   // lines appended to the status history
    std::optional<unsigned> progress;
    std::string percent;             // the number beside the progress bar
    std::string checksum;            // the flashed ROM sum

    bool operator==(const FlashDisplay&) const = default;
};

/// What the window shows for `event`: the status line, the history lines, the progress bar
/// and its number, and at the end the ROM sum.
FlashDisplay FlashDisplayFor(const FlashEvent& event);

/// The console text of a programming or verify mark: the mark character (code 219), or the
/// verify line's start and end.
const char* ChipProgressText(ChipProgress what);
