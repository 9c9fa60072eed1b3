// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a flash run ended, as data. The front ends take the pass or fail, the log, the exit
// status and the restart decision from it; texts are made from it only to be shown.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hw/hw_fault.h"
#include "platform/enum_names.h"
#include "spi/chip_id.h"

enum class FlashOutcome : uint8_t {
    // Refusals: decided before anything reaches the EC.
    ImageTooLarge,     // beyond the 16 MiB the 24-bit flash address reaches
    ImageSizeUnknown,  // the length cannot be measured: a pipe, a device, a seek error
    ImageUnreadable,   // a read of the image failed or came up short
    NoMemory,          // the image could not be held in memory
    LowBattery,        // on battery alone, too little charge left to finish; `refusal` says how much
    NoEcAnswer,        // nothing drives the EC's status port; nothing was written to it
    SessionBusy,       // another EC session is open (this program's or another's); `refusal` says whose
    // The run went to the EC and stopped.
    NoAcknowledge,     // the EC did not answer 0x33 to the follow-mode request (`ack`); the end command was sent
    NothingToFlash,    // the image is empty
    // Refusals after the chip was identified, with nothing erased; the EC has its end command.
    ImageLargerThanChip,  // the identified chip holds less than the image
    BackupFailed,         // the flash as it was could not be saved; `backup_path` names the file
    BlankCheckFailed,  // `failing_chunk` did not read 0xFF after its erase
    VerifyFailed,      // `failing_chunk` did not read back as the image
    EcTimedOut,        // the EC stopped taking or answering commands (`fault`)
    ChipTimedOut,      // the flash chip never reached the awaited status (`fault`)
    // Every chunk verified.
    ChecksumMismatch,  // ... but the image sum and the read-back sum differ
    Passed,
};

// The JSON name is what results and scripts match on; the words go to logs and test messages
// (never to the window, which says its own).
inline constexpr EnumNames<FlashOutcome> kFlashOutcomeNames[] = {
    {FlashOutcome::ImageTooLarge, "image_too_large", "image too large"},
    {FlashOutcome::ImageSizeUnknown, "image_size_unknown", "image size unknown"},
    {FlashOutcome::ImageUnreadable, "image_unreadable", "image unreadable"},
    {FlashOutcome::NoMemory, "no_memory", "no memory"},
    {FlashOutcome::LowBattery, "low_battery", "low battery"},
    {FlashOutcome::NoEcAnswer, "no_ec_answer", "no EC answer"},
    {FlashOutcome::SessionBusy, "session_busy", "EC session busy"},
    {FlashOutcome::NoAcknowledge, "no_acknowledge", "no acknowledge"},
    {FlashOutcome::NothingToFlash, "nothing_to_flash", "nothing to flash"},
    {FlashOutcome::ImageLargerThanChip, "image_larger_than_chip", "image larger than chip"},
    {FlashOutcome::BackupFailed, "backup_failed", "backup failed"},
    {FlashOutcome::BlankCheckFailed, "blank_check_failed", "blank check failed"},
    {FlashOutcome::VerifyFailed, "verify_failed", "verify failed"},
    {FlashOutcome::EcTimedOut, "ec_timed_out", "EC time-out"},
    {FlashOutcome::ChipTimedOut, "chip_timed_out", "chip time-out"},
    {FlashOutcome::ChecksumMismatch, "checksum_mismatch", "checksum mismatch"},
    {FlashOutcome::Passed, "passed", "passed"},
};
static_assert(OneRowPerValue(kFlashOutcomeNames, FlashOutcome::Passed));

/// What a dry run found: the write it would make.
struct WritePlan {
    std::vector<uint32_t> chunks_to_write;  // chunks that differ from the image, in order
    uint32_t chunks_unchanged = 0;
    uint64_t bytes_to_write = 0;            // image bytes in the chunks to write
    uint64_t estimated_accesses = 0;        // port accesses of that write, backup read included
    bool operator==(const WritePlan&) const = default;
};

struct FlashResult {
    FlashOutcome outcome = FlashOutcome::Passed;
    std::optional<uint8_t> failing_chunk;  // index of the chunk the run stopped in
    HwFault fault = HwFault::None;         // the bounded wait that expired, if one did
    uint8_t ack = 0;                       // the EC's answer to the follow-mode request ...
    bool ack_seen = false;                 // ... when it gave one
    uint32_t bin_sum = 0;                  // byte sum of the image chunks taken, 0xFF fill included
    uint32_t rom_sum = 0;                  // byte sum of everything verify read back
    std::string refusal;                   // a refusal's status text, made where it was decided
    std::string backup_path;               // where the flash as it was is saved (or was to be)
    std::optional<ChipRecord> chip;        // the identified chip, from the identification on
    std::optional<WritePlan> plan;         // a dry run that read the flash: the write it would make

    bool operator==(const FlashResult&) const = default;
};

/// The run's pass or fail as the front ends report it: true when every chunk verified,
/// whatever the sum comparison then found (the flash was compared byte by byte).
inline bool FlashPassed(const FlashResult& result) {
    return result.outcome == FlashOutcome::Passed || result.outcome == FlashOutcome::ChecksumMismatch;
}

/// A short English name of the outcome for logs and test messages (never shown in the window).
inline const char* FlashOutcomeName(FlashOutcome outcome) { return RowOf(kFlashOutcomeNames, outcome).words; }
