#pragma once
// One complete update of the EC's flash from the open image.

#include <cstdint>
#include <optional>

#include "flash/flash_backup.h"
#include "flash/flash_display.h"
#include "flash/flash_events.h"
#include "flash/flash_result.h"

/// Flashes g_ImageFile (open, any position; read whole before the EC is asked for follow
/// mode) chunk by chunk, telling `listener` every step, and returns how the run ended, which
/// the last event (Ended) carries too. Passes only when every chunk of the whole image was
/// erased, programmed and verified and the EC took the end command `end_cmd`. The run stops
/// at the first failing chunk, after the end command, since the EC has then left follow
/// mode. A bounded wait that expires ends the run after one more try of the end command.
/// Does not close the image.
FlashResult DoFlashProcedure(uint8_t end_cmd, const FlashListener& listener);

/// The checks between identifying the chip and erasing its first chunk.
struct BeforeEraseChecks {
    bool backup = true;  // save the whole flash first (the image must fit the chip either way)
    BackupPlan where;    // the backup's directory and clock; its size and ID come from the chip
};

struct FlashRunOptions {
    uint8_t end_cmd = 0;
    /// Each chunk is read first; one that already holds the image is neither erased nor
    /// programmed, and counts as verified by that read (its bytes enter the ROM sum).
    bool only_changed = false;
    /// With checks, an image larger than the identified chip, or a backup that cannot be
    /// taken, ends the run before anything is erased (after the end command).
    std::optional<BeforeEraseChecks> before_erase;
};

/// The same run with `options`.
FlashResult DoFlashProcedure(const FlashRunOptions& options, const FlashListener& listener);
