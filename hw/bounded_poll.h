// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one shape of every untimed hardware wait: try until done, but give up once the
// bound has passed. The clock is read only every kPollsPerClockCheck attempts, so a wait
// that is satisfied at once costs no clock reading.

#include <cstdint>

#include "hw/hw_fault.h"
#include "hw/wait_bounds.h"
#include "platform/clock.h"

/// Calls `attempt` until it returns true (result true). Returns false without calling it
/// when a fault is already set, when an attempt raised one, or when more than `bound_ms`
/// elapsed (then `on_expiry` is raised).
template <typename Attempt>
bool BoundedPoll(uint32_t bound_ms, HwFault on_expiry, Attempt&& attempt) {
    uint32_t start = 0;
    bool started = false;
    for (;;) {
        for (uint32_t i = 0; i < kPollsPerClockCheck; ++i) {
            if (HW_Faulted()) return false;
            if (attempt()) return true;
        }
        const uint32_t now = TickMs();
        if (!started) {
            start = now;
            started = true;
        } else if (now - start > bound_ms) {
            HW_RaiseFault(on_expiry);
            return false;
        }
    }
}
