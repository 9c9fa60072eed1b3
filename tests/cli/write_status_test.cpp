// SPDX-License-Identifier: GPL-3.0-or-later
// The exit status of a write for every way a flash run can end: 3 promises that nothing was
// erased, so only outcomes decided before the first erase may give it.

#include <gtest/gtest.h>

#include <map>

#include "cli/commands.h"

namespace {

TEST(WriteExitStatus, EveryOutcomeHasTheStatusItsMomentAllows) {
    const std::map<FlashOutcome, ExitStatus> expected = {
        // The image could not be taken: the file named is at fault.
        {FlashOutcome::ImageSizeUnknown, ExitStatus::Usage},
        {FlashOutcome::ImageUnreadable, ExitStatus::Usage},
        {FlashOutcome::NothingToFlash, ExitStatus::Usage},
        // Decided before anything was erased.
        {FlashOutcome::ImageTooLarge, ExitStatus::Refused},
        {FlashOutcome::LowBattery, ExitStatus::Refused},
        {FlashOutcome::NoEcAnswer, ExitStatus::Refused},
        {FlashOutcome::SessionBusy, ExitStatus::Refused},
        {FlashOutcome::NoAcknowledge, ExitStatus::Refused},
        {FlashOutcome::ImageLargerThanChip, ExitStatus::Refused},
        {FlashOutcome::BackupFailed, ExitStatus::Refused},
        // The flash may have been touched.
        {FlashOutcome::NoMemory, ExitStatus::Failed},
        {FlashOutcome::BlankCheckFailed, ExitStatus::Failed},
        {FlashOutcome::VerifyFailed, ExitStatus::Failed},
        {FlashOutcome::EcTimedOut, ExitStatus::Failed},
        {FlashOutcome::ChipTimedOut, ExitStatus::Failed},
        // Every chunk verified byte by byte.
        {FlashOutcome::ChecksumMismatch, ExitStatus::Passed},
        {FlashOutcome::Passed, ExitStatus::Passed},
    };
    for (int value = 0; value <= static_cast<int>(FlashOutcome::Passed); ++value) {
        const auto outcome = static_cast<FlashOutcome>(value);
        SCOPED_TRACE(FlashOutcomeName(outcome));
        ASSERT_EQ(expected.count(outcome), 1u) << "a new outcome needs its exit status";
        EXPECT_EQ(WriteExitStatus(outcome), expected.at(outcome));
        FlashResult result;
        result.outcome = outcome;
        EXPECT_EQ(WriteExitStatus(outcome) == ExitStatus::Passed, FlashPassed(result));
    }
}

}  // namespace
