// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/clock.h"

namespace {

Clock* g_Clock = nullptr;  // null: the system clock

}  // namespace

Clock& CurrentClock() { return g_Clock != nullptr ? *g_Clock : SystemClock(); }

ScopedClock::ScopedClock(Clock& clock) : previous_(g_Clock) { g_Clock = &clock; }
ScopedClock::~ScopedClock() { g_Clock = previous_; }
