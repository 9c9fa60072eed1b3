// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include "platform/clock.h"

namespace {

// The system tick count wraps after 49.7 days; only differences are used, and those
// survive the wrap in 32-bit arithmetic.
class WindowsClock : public Clock {
public:
    uint32_t TickMs() override { return static_cast<uint32_t>(GetTickCount64()); }
    void SleepMs(uint32_t ms) override { Sleep(ms); }
};

}  // namespace

Clock& SystemClock() {
    static WindowsClock clock;
    return clock;
}
