// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One complete update of the EC's flash from the open image.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "flash/flash_backup.h"
#include "flash/flash_display.h"
#include "flash/flash_events.h"
#include "flash/flash_result.h"
#include "hw/ec_ports.h"
#include "platform/power_supply.h"
#include "settings/ui_settings.h"
#include "spi/chunk_state.h"

/// What guards the flash before its first erase.
struct FlashSafeguards {
    std::string power_supply_root = kPowerSupplyRoot;
    bool backup = true;      // save the whole flash first (the image must fit the chip either way)
    BackupPlan backup_plan;  // directory and clock; size and ID come from the identified chip
};

struct FlashRunOptions {
    std::FILE* image = nullptr;  // owned by the caller
    EcPorts ports;               // where the EC answers
    uint8_t end_cmd = 0;
    /// Each chunk is read first; one that already holds the image is neither erased nor
    /// programmed, and counts as verified by that read (its bytes enter the ROM sum).
    bool only_changed = false;
    /// The rehearsal: every check of the run, the identification and one read of the flash
    /// (what a backup would read), compared chunk by chunk with the image into result.plan;
    /// nothing that can change the chip or its status register is sent, the end command is.
    /// Passed when the plan was made.
    bool dry_run = false;
    FlashSafeguards safeguards;
    /// Told of the programming and verify marks as they happen; may be empty.
    ChipProgressSink progress;
    /// When given, a run that passed with agreeing sums reads the firmware's version with these
    /// settings once the EC has restarted, and its Ended event carries what was read.
    std::optional<UiSettings> version_settings;
};

/// Flashes options.image (open, any position; read whole before the EC is asked for follow
/// mode) chunk by chunk to the EC at options.ports, telling `listener` every step, and
/// returns how the run ended, which the last event (Ended) carries too. Passes only when every
/// chunk of the whole image was erased, programmed and verified and the EC took the end
/// command options.end_cmd. The run stops at the first failing chunk, after the end command,
/// since the EC has then left follow mode. A bounded wait that expires ends the run after one
/// more try of the end command. Does not close the image.
///
/// On a chip whose ID gives no capacity, a pass also needs the whole image read back after
/// the last chunk (a smaller chip wraps its addresses). Whatever the EC answers to the
/// follow-mode request, it gets the end command.
///
/// Runs in an EC session of its own: refused (SessionBusy) before anything else while another
/// is open. Before follow mode the run is refused, with nothing sent to the EC, on a battery too low
/// to finish or when no EC answers at the status port. Between the chip's identification and
/// the first erase it is refused, after the end command, when the image is larger than the
/// chip or the flash as it is cannot be saved.
FlashResult DoFlashProcedure(const FlashRunOptions& options, const FlashListener& listener);
