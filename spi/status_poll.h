#pragma once
// A status poll re-reads the status byte inside one open 0x05 transaction. It is bounded,
// because a dead chip or EC must end the run with a fault instead of a hang.

#include <cstdint>

#include "hw/bounded_poll.h"
#include "hw/hw_fault.h"
#include "hw/wait_bounds.h"
#include "spi/follow_link.h"

/// Reads status bytes until `done(status)` holds (true). False at once when a fault is set,
/// or after raising HwFault::ChipNotReady once more than kChipReadyBoundMs have passed.
template <typename Done>
bool SPI_PollStatus(Done&& done) {
    return BoundedPoll(kChipReadyBoundMs, HwFault::ChipNotReady, [&] {
        const uint8_t status = FM_Read();
        // A faulted channel answers 0x00, which would look like "ready".
        return !HW_Faulted() && done(status);
    });
}

namespace status_bits {
inline constexpr uint8_t kBusy = 0x01;          // write or erase in progress
inline constexpr uint8_t kWriteEnabled = 0x02;  // write-enable latch
}  // namespace status_bits
