// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/flash_display.h"

#include <cstdio>

#include "flash/flash_backup.h"

namespace {

std::string Hex(const char* format, uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A status text always goes to the status line and into the history.
FlashDisplay Post(std::string text) {
    FlashDisplay shown;
    shown.memo.push_back(text);
    shown.status = std::move(text);
    return shown;
}

FlashDisplay Step(const char* text, unsigned progress, const char* percent) {
    FlashDisplay shown = Post(text);
    shown.progress = progress;
    shown.percent = percent;
    return shown;
}

// The run reached the EC but did not pass.
FlashDisplay FailEnding() {
    FlashDisplay shown;
    shown.status = "Verify Fail!!";
    shown.memo = {"Verify Fail", "Verify Fail!!"};
    shown.progress = 76;
    shown.percent = "76";
    return shown;
}

FlashDisplay Ending(const FlashResult& result) {
    switch (result.outcome) {
        case FlashOutcome::ImageTooLarge: return Post(flash_text::kImageTooLarge);
        case FlashOutcome::ImageSizeUnknown: return Post(flash_text::kImageSizeUnknown);
        case FlashOutcome::ImageUnreadable: return Post(flash_text::kImageShort);
        case FlashOutcome::NoMemory: return Post(flash_text::kNoMemory);
        case FlashOutcome::LowBattery:
        case FlashOutcome::NoEcAnswer:
        case FlashOutcome::SessionBusy:
        case FlashOutcome::ImageLargerThanChip:
        case FlashOutcome::BackupFailed: return Post(result.refusal);
        case FlashOutcome::NoAcknowledge:
            return Post(result.ack_seen ? "EC ACK Fail !ACK = " + Hex("%02X", result.ack) : "EC ACK Fail !No ACK");
        case FlashOutcome::NothingToFlash:
        case FlashOutcome::BlankCheckFailed:
        case FlashOutcome::VerifyFailed: return FailEnding();
        case FlashOutcome::EcTimedOut:
        case FlashOutcome::ChipTimedOut: return Step(HW_FaultText(result.fault), 76, "76");
        case FlashOutcome::ChecksumMismatch:
        case FlashOutcome::Passed: {
            FlashDisplay shown;
            shown.checksum = Hex("%06X", result.rom_sum);
            return shown;
        }
    }
    return {};
}

FlashDisplay ChunkDone(const FlashEvent& event) {
    switch (event.result.outcome) {
        case FlashOutcome::BlankCheckFailed: return Post("Block Verify Fail!!");
        case FlashOutcome::VerifyFailed: {
            FlashDisplay shown;
            shown.memo = {"Verify Fail"};  // the status line keeps "Start Verify...."
            return shown;
        }
        default: {
            FlashDisplay shown;
            // Unsigned 32-bit arithmetic, as the bar has always been computed.
            shown.progress = event.image_bytes == 0 ? 0 : event.bytes_done * 100u / event.image_bytes;
            return shown;
        }
    }
}

}  // namespace

FlashDisplay FlashDisplayFor(const FlashEvent& event) {
    switch (event.step) {
        case FlashStep::FollowModeEntered: return Post("EC ACK OK.");
        case FlashStep::Identifying: return Post("Start flash!!");
        case FlashStep::BackedUp: {
            // Only the history names the backup; the status line goes on as it always has.
            FlashDisplay shown;
            shown.memo.push_back(BackupStatusLine({BackupStatus::Written, event.result.backup_path, "", {}}));
            return shown;
        }
        case FlashStep::RunStarted: return {};
        case FlashStep::ChunkStarted: return event.chunk == 1 ? Post("Continue to Flash 64K Page2....") : FlashDisplay{};
        // The window never runs only-changed flashes.
        case FlashStep::Comparing:
        case FlashStep::ChunkUnchanged: return {};
        case FlashStep::Erasing: return Step("Start Block....", 1, "1");
        case FlashStep::BlankChecking: {
            FlashDisplay shown = Post("Check Block....");
            shown.progress = 25;  // the number beside the bar keeps "1"
            return shown;
        }
        case FlashStep::Programming: return Step("Start Programming....", 50, "50");
        case FlashStep::Verifying: return Step("Start Verify....", 75, "75");
        case FlashStep::ChunkDone: return ChunkDone(event);
        case FlashStep::Verified: return Step("Verify OK!!", 100, "100");
        case FlashStep::SumsCompared:
            return Post(event.result.outcome == FlashOutcome::Passed ? "CheckSum OK!!" : "CheckSum Fail!!");
        case FlashStep::Ended: return Ending(event.result);
    }
    return {};
}

const char* ChipProgressText(ChipProgress what) {
    switch (what) {
        case ChipProgress::Mark: return "\xDB";
        case ChipProgress::VerifyStarted: return "Verify...        : ";
        case ChipProgress::VerifyPassed: return " -- Verify OK. \n";
        case ChipProgress::VerifyFailed: return " -- Verify Fail. \n";
    }
    return "";
}
