#pragma once
// The texts and values a flash run shows, made from its events' data in one place.

#include "flash/flash_events.h"
#include "spi/chunk_state.h"

namespace flash_text {
inline constexpr const char* kImageTooLarge = "Bin file over 16MB, not flashed!!";
inline constexpr const char* kImageSizeUnknown = "Bin file size unknown, not flashed!!";
inline constexpr const char* kImageShort = "Bin file read error!!";
inline constexpr const char* kNoMemory = "Not enough memory for flash buffers!!";
}  // namespace flash_text

/// What the window shows for `event`: the status line, the history lines, the progress bar
/// and its number, and at the end the ROM sum.
FlashDisplay FlashDisplayFor(const FlashEvent& event);

/// The console text of a programming or verify mark: the mark character (code 219), or the
/// verify line's start and end.
const char* ChipProgressText(ChipProgress what);
