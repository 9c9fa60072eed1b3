// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <thread>

#include "platform/clock.h"

namespace {

class PosixClock : public Clock {
public:
    uint32_t TickMs() override {
        auto since_start = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count());
    }
    void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

}  // namespace

Clock& SystemClock() {
    static PosixClock clock;
    return clock;
}
