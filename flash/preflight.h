// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What must hold before a flash run touches the flash. Before the EC is asked for follow
// mode: ports that reach the EC as given, and an end command that really releases it. Between
// identifying the chip and erasing its first chunk: the image must fit the chip, and the flash
// as it is must be saved. Any of them failing ends the run with nothing erased.

#include <cstdint>
#include <optional>
#include <string>

#include "flash/flash_backup.h"
#include "hw/ec_channel.h"
#include "spi/chip_id.h"

/// True for a byte that the EC in follow mode takes as a link command (select, shift out,
/// shift in, deselect): sent as the end command, it would leave the EC in follow mode with
/// its own firmware stopped, while the run reports success.
bool IsFollowLinkCommand(uint8_t command);

/// Empty when the setting's end command (its low 8 bits are sent) releases the EC; else the
/// text that tells the user why the flash is refused.
std::string EndCommandRefusal(int32_t flash_end_cmd);

/// Empty when a flash run may start: the EC ports in use are in range and the end command
/// releases the EC. Otherwise the first reason, worded for the user. Touches no port.
std::string FlashStartRefusal(const EcPorts& ports, int32_t flash_end_cmd);

inline constexpr const char* kImageLargerThanChipText = "Bin file larger than flash chip, not flashed!!";

/// False only when the chip's capacity (the chip record's) is known and the image is larger.
bool ImageFitsChip(uint64_t image_bytes, std::optional<uint32_t> capacity);

/// Bytes a backup of the chip reads: the capacity when known, otherwise the image rounded up
/// to whole 64 KB chunks (at least one), so every chunk the flash run will erase is in it.
uint32_t BackupBytes(uint64_t image_bytes, std::optional<uint32_t> capacity);

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

/// Runs both checks before the first erase for an image of `image_bytes` on `chip`, taking
/// the backup as `where` says (directory and clock; its size and ID are filled in).
BeforeEraseOutcome CheckBeforeFirstErase(EcChannel& ec, const ChipRecord& chip, uint64_t image_bytes, BackupPlan where = BackupPlan{});
