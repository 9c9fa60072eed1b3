// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/sleep_inhibitor.h"

#include <cstdio>

#include <unistd.h>

namespace {

// Null until a test installs a blocker: a constant initial value, so guards made before
// main see the same seam in every translation unit.
SleepBlocker* g_Current = nullptr;

}  // namespace

void SleepBlocker::Release(int handle) { ::close(handle); }

SleepBlocker& CurrentSleepBlocker() { return g_Current != nullptr ? *g_Current : SystemSleepBlocker(); }

ScopedSleepBlocker::ScopedSleepBlocker(SleepBlocker& blocker) : previous_(g_Current) { g_Current = &blocker; }
ScopedSleepBlocker::~ScopedSleepBlocker() { g_Current = previous_; }

SleepInhibitor::SleepInhibitor(SleepBlocker& blocker) : blocker_(blocker) {
    std::string reason;
    handle_ = blocker.Inhibit(kInhibitWhat, "Vantu", "EC firmware update in progress", reason);
    if (handle_ < 0) {
        std::fprintf(stderr, "vantu: could not block %s during the flash (%s); keep the machine awake\n",
                     blocker.Blocks(), reason.c_str());
        std::fflush(stderr);
    }
}

SleepInhibitor::~SleepInhibitor() {
    if (handle_ >= 0) blocker_.Release(handle_);
}
