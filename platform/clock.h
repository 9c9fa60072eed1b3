// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Time is a seam: the millisecond tick clock and the sleeps of a flash run go through
// here, so tests replace them and a one-second time-out takes no real time.

#include <cstdint>

class Clock {
public:
    virtual ~Clock() = default;
    /// Milliseconds on a monotonic tick clock; only differences are meaningful.
    virtual uint32_t TickMs() = 0;
    virtual void SleepMs(uint32_t ms) = 0;
};

/// The operating system's monotonic millisecond clock and its sleep.
Clock& SystemClock();
/// The clock in use (SystemClock() unless a test installed another).
Clock& CurrentClock();
inline uint32_t TickMs() { return CurrentClock().TickMs(); }
inline void SleepMs(uint32_t ms) { CurrentClock().SleepMs(ms); }

/// Installs `clock` until the guard ends.
class ScopedClock {
public:
    explicit ScopedClock(Clock& clock);
    ~ScopedClock();
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;

private:
    Clock* previous_;
};

/// A clock for tests: time moves only when told to, or by `step_ms` at every reading;
/// sleeps advance it and are recorded.
class ManualClock : public Clock {
public:
    explicit ManualClock(uint32_t step_ms = 0) : step_ms_(step_ms) {}
    uint32_t TickMs() override {
        uint32_t now = now_ms_;
        now_ms_ += step_ms_;
        return now;
    }
    void SleepMs(uint32_t ms) override {
        slept_ms_ += ms;
        sleeps_ += 1;
        now_ms_ += ms;
    }
    void Advance(uint32_t ms) { now_ms_ += ms; }
    void SetStep(uint32_t step_ms) { step_ms_ = step_ms; }
    uint64_t slept_ms() const { return slept_ms_; }
    unsigned sleeps() const { return sleeps_; }

private:
    uint32_t now_ms_ = 1000;
    uint32_t step_ms_;
    uint64_t slept_ms_ = 0;
    unsigned sleeps_ = 0;
};
