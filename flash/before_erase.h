// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checks between identifying the chip and erasing its first chunk: the image must fit
// the chip, and the flash as it is must be saved. Either failing ends the run with nothing
// erased.

#include <cstdint>
#include <string>

#include "flash/flash_backup.h"
#include "spi/chip_id.h"

enum class BeforeEraseStatus {
    Ready,                // the image fits and the backup is written
    ImageLargerThanChip,  // nothing read, nothing written
    BackupFailed,         // see backup.status; a read fault stays set for the caller
};

struct BeforeEraseOutcome {
    BeforeEraseStatus status = BeforeEraseStatus::Ready;
    std::string status_line;  // for the status history: the backup's name, or why the run stops
    std::string error_line;   // for standard error; "" when there is nothing to add
    BackupResult backup;
};

/// Runs both checks for an image of `image_bytes` on `chip`, taking the backup as `where`
/// says (directory and clock; its size and ID are filled in).
BeforeEraseOutcome CheckBeforeFirstErase(EcChannel& ec, const ChipRecord& chip, uint64_t image_bytes, BackupPlan where = BackupPlan{});
