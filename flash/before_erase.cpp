// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/before_erase.h"

#include "flash/chip_capacity.h"

BeforeEraseOutcome CheckBeforeFirstErase(EcChannel& ec, const ChipRecord& chip, uint64_t image_bytes, BackupPlan where) {
    BeforeEraseOutcome outcome;
    const std::optional<uint32_t> capacity = chip.capacity;
    if (!ImageFitsChip(image_bytes, capacity)) {
        outcome.status = BeforeEraseStatus::ImageLargerThanChip;
        outcome.status_line = kImageLargerThanChipText;
        outcome.error_line = "vantu: the image has " + std::to_string(image_bytes) + " bytes, the flash chip " +
                             std::to_string(*capacity) + "; nothing was erased";
        return outcome;
    }
    where.bytes = BackupBytes(image_bytes, capacity);
    for (int i = 0; i < 3; ++i) where.id[i] = chip.id[i];
    outcome.backup = BackupFlash(ec, where);
    if (outcome.backup.status != BackupStatus::Written) outcome.status = BeforeEraseStatus::BackupFailed;
    outcome.status_line = BackupStatusLine(outcome.backup);
    outcome.error_line = BackupErrorLine(outcome.backup);
    return outcome;
}
