#pragma once
// How a flash run ended, as data. The front ends take the pass or fail, the log, the exit
// status and the restart decision from it; texts are made from it only to be shown.

#include <cstdint>
#include <optional>
#include <string>

#include "hw/hw_fault.h"

enum class FlashOutcome : uint8_t {
    // Refusals: decided before anything reaches the EC.
    ImageTooLarge,     // beyond the 16 MiB the 24-bit flash address reaches
    ImageSizeUnknown,  // the length cannot be measured: a pipe, a device, a seek error
    ImageUnreadable,   // a read of the image failed or came up short
    NoMemory,          // the image could not be held in memory
    // The run went to the EC and stopped.
    NoAcknowledge,     // the EC did not answer 0x33 to the follow-mode request; `ack` holds its answer
    ImageLargerThanChip,  // the identified chip holds less than the image: nothing erased
    BackupFailed,      // the flash could not be saved before the first erase: nothing erased
    NothingToFlash,    // the image is empty
    BlankCheckFailed,  // `failing_chunk` did not read 0xFF after its erase
    VerifyFailed,      // `failing_chunk` did not read back as the image
    EcTimedOut,        // the EC stopped taking or answering commands (`fault`)
    ChipTimedOut,      // the flash chip never reached the awaited status (`fault`)
    // Every chunk verified.
    ChecksumMismatch,  // ... but the image sum and the read-back sum differ
    Passed,
};

struct FlashResult {
    FlashOutcome outcome = FlashOutcome::Passed;
    std::optional<uint8_t> failing_chunk;  // index of the chunk the run stopped in
    HwFault fault = HwFault::None;         // the bounded wait that expired, if one did
    uint8_t ack = 0;                       // the EC's answer to the follow-mode request
    uint32_t bin_sum = 0;                  // byte sum of the image chunks taken, 0xFF fill included
    uint32_t rom_sum = 0;                  // byte sum of everything verify read back
    std::string backup_path;               // the backup taken before the first erase, or the one that failed
    std::string backup_problem;            // BackupFailed: why, in the system's words

    bool operator==(const FlashResult&) const = default;
};

/// The run's pass or fail as the front ends report it: true when every chunk verified,
/// whatever the sum comparison then found (the flash was compared byte by byte).
inline bool FlashPassed(const FlashResult& result) {
    return result.outcome == FlashOutcome::Passed || result.outcome == FlashOutcome::ChecksumMismatch;
}

/// A short English name of the outcome for logs and test messages (never shown in the window).
const char* FlashOutcomeName(FlashOutcome outcome);
