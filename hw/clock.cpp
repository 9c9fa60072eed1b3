#include "hw/clock.h"

#include <chrono>
#include <thread>

namespace {

class SystemClock : public Clock {
public:
    uint32_t TickMs() override {
        auto since_start = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since_start).count());
    }
    void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
};

SystemClock g_SystemClock;
Clock* g_Clock = &g_SystemClock;

}  // namespace

Clock& CurrentClock() { return *g_Clock; }

ScopedClock::ScopedClock(Clock& clock) : previous_(g_Clock) { g_Clock = &clock; }
ScopedClock::~ScopedClock() { g_Clock = previous_; }
