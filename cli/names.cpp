// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/names.h"

const char* StepName(FlashStep step) {
    switch (step) {
        case FlashStep::FollowModeEntered: return "follow_mode_entered";
        case FlashStep::Identifying: return "identifying";
        case FlashStep::RunStarted: return "run_started";
        case FlashStep::BackedUp: return "backed_up";
        case FlashStep::ChunkStarted: return "chunk_started";
        case FlashStep::Comparing: return "comparing";
        case FlashStep::ChunkUnchanged: return "chunk_unchanged";
        case FlashStep::Erasing: return "erasing";
        case FlashStep::BlankChecking: return "blank_checking";
        case FlashStep::Programming: return "programming";
        case FlashStep::Verifying: return "verifying";
        case FlashStep::ChunkDone: return "chunk_done";
        case FlashStep::Verified: return "verified";
        case FlashStep::SumsCompared: return "sums_compared";
        case FlashStep::Ended: return "ended";
    }
    return "unknown";
}

const char* StepWords(FlashStep step) {
    switch (step) {
        case FlashStep::FollowModeEntered: return "EC in follow mode";
        case FlashStep::Identifying: return "identifying the flash chip";
        case FlashStep::RunStarted: return "starting";
        case FlashStep::BackedUp: return "flash saved";
        case FlashStep::ChunkStarted: return "starting chunk";
        case FlashStep::Comparing: return "comparing";
        case FlashStep::ChunkUnchanged: return "unchanged";
        case FlashStep::Erasing: return "erasing";
        case FlashStep::BlankChecking: return "blank check";
        case FlashStep::Programming: return "programming";
        case FlashStep::Verifying: return "verifying";
        case FlashStep::ChunkDone: return "chunk done";
        case FlashStep::Verified: return "verified";
        case FlashStep::SumsCompared: return "sums compared";
        case FlashStep::Ended: return "ended";
    }
    return "unknown";
}

const char* OutcomeName(FlashOutcome outcome) {
    switch (outcome) {
        case FlashOutcome::ImageTooLarge: return "image_too_large";
        case FlashOutcome::ImageSizeUnknown: return "image_size_unknown";
        case FlashOutcome::ImageUnreadable: return "image_unreadable";
        case FlashOutcome::NoMemory: return "no_memory";
        case FlashOutcome::LowBattery: return "low_battery";
        case FlashOutcome::NoEcAnswer: return "no_ec_answer";
        case FlashOutcome::SessionBusy: return "session_busy";
        case FlashOutcome::NoAcknowledge: return "no_acknowledge";
        case FlashOutcome::ImageLargerThanChip: return "image_larger_than_chip";
        case FlashOutcome::BackupFailed: return "backup_failed";
        case FlashOutcome::NothingToFlash: return "nothing_to_flash";
        case FlashOutcome::BlankCheckFailed: return "blank_check_failed";
        case FlashOutcome::VerifyFailed: return "verify_failed";
        case FlashOutcome::EcTimedOut: return "ec_timed_out";
        case FlashOutcome::ChipTimedOut: return "chip_timed_out";
        case FlashOutcome::ChecksumMismatch: return "checksum_mismatch";
        case FlashOutcome::Passed: return "passed";
    }
    return "unknown";
}

const char* EraseKindName(EraseKind kind) {
    switch (kind) {
        case EraseKind::Sector1K_D7: return "sector_1k_d7";
        case EraseKind::Block52Pair: return "block_52_pair";
        case EraseKind::BlockD8Pair: return "block_d8_pair";
        case EraseKind::BlockD8Triple: return "block_d8_triple";
    }
    return "unknown";
}

const char* EraseKindWords(EraseKind kind) {
    switch (kind) {
        case EraseKind::Sector1K_D7: return "64 sector erases (D7) of 1 KB per chunk";
        case EraseKind::Block52Pair: return "one block erase (52) per 32 KB half";
        case EraseKind::BlockD8Pair: return "one block erase (D8) per 32 KB half";
        case EraseKind::BlockD8Triple: return "block erases (D8), the upper half twice";
    }
    return "unknown";
}

const char* ProgramAlgorithmName(ProgramAlgorithm algorithm) {
    switch (algorithm) {
        case ProgramAlgorithm::Page256: return "page256";
        case ProgramAlgorithm::Page32: return "page32";
        case ProgramAlgorithm::AaiByte: return "aai_byte";
        case ProgramAlgorithm::AaiWord: return "aai_word";
    }
    return "unknown";
}

const char* ProgramAlgorithmWords(ProgramAlgorithm algorithm) {
    switch (algorithm) {
        case ProgramAlgorithm::Page256: return "256-byte page programs (02)";
        case ProgramAlgorithm::Page32: return "page programs (02) in 32-byte pieces";
        case ProgramAlgorithm::AaiByte: return "auto-address-increment byte program (AF)";
        case ProgramAlgorithm::AaiWord: return "auto-address-increment word program (AD)";
    }
    return "unknown";
}
