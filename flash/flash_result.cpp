// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/flash_result.h"

const char* FlashOutcomeName(FlashOutcome outcome) {
    switch (outcome) {
        case FlashOutcome::ImageTooLarge: return "image too large";
        case FlashOutcome::ImageSizeUnknown: return "image size unknown";
        case FlashOutcome::ImageUnreadable: return "image unreadable";
        case FlashOutcome::NoMemory: return "no memory";
        case FlashOutcome::LowBattery: return "low battery";
        case FlashOutcome::NoEcAnswer: return "no EC answer";
        case FlashOutcome::SessionBusy: return "EC session busy";
        case FlashOutcome::NoAcknowledge: return "no acknowledge";
        case FlashOutcome::NothingToFlash: return "nothing to flash";
        case FlashOutcome::ImageLargerThanChip: return "image larger than chip";
        case FlashOutcome::BackupFailed: return "backup failed";
        case FlashOutcome::BlankCheckFailed: return "blank check failed";
        case FlashOutcome::VerifyFailed: return "verify failed";
        case FlashOutcome::EcTimedOut: return "EC time-out";
        case FlashOutcome::ChipTimedOut: return "chip time-out";
        case FlashOutcome::ChecksumMismatch: return "checksum mismatch";
        case FlashOutcome::Passed: return "passed";
    }
    return "unknown";
}
