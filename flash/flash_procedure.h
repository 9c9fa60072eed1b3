#pragma once
// One complete update of the EC's flash from the open image.

#include <cstdint>

#include "flash/flash_reporter.h"

namespace flash_text {
inline constexpr const char* kImageTooLarge = "Bin file over 16MB, not flashed!!";
inline constexpr const char* kImageShort = "Bin file read error!!";
inline constexpr const char* kNoMemory = "Not enough memory for flash buffers!!";
}  // namespace flash_text

/// Flashes g_ImageFile (open, any position) chunk by chunk, reporting every step to `ui`.
/// True only when every chunk of the whole image was erased, programmed and verified and the
/// EC took the end command `end_cmd`. The run stops at the first failing chunk, after the end
/// command, since the EC has then left follow mode. A bounded wait that expires ends the run
/// with a status line naming it, after one more try of the end command. Does not close the image.
bool DoFlashProcedure(uint8_t end_cmd, FlashReporter& ui);
