// Windows: no service hands out a block; the thread's execution state keeps the system from
// sleeping while the flash runs. Shutdown and the lid are not covered there.

#include "hw/sleep_inhibitor.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

class ExecutionStateBlocker : public SleepBlocker {
public:
    int Inhibit(const char*, const char*, const char*, std::string& reason) override {
        if (SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0) return 0;
        reason = "error " + std::to_string(GetLastError());
        return -1;
    }
};

ExecutionStateBlocker g_ExecutionState;
SleepBlocker* g_Current = &g_ExecutionState;

}  // namespace

SleepBlocker& LogindSleepBlocker() { return g_ExecutionState; }
SleepBlocker& CurrentSleepBlocker() { return *g_Current; }

ScopedSleepBlocker::ScopedSleepBlocker(SleepBlocker& blocker) : previous_(g_Current) { g_Current = &blocker; }
ScopedSleepBlocker::~ScopedSleepBlocker() { g_Current = previous_; }

SleepInhibitor::SleepInhibitor(SleepBlocker& blocker) {
    std::string reason;
    fd_ = blocker.Inhibit(kInhibitWhat, "Vantu", "EC firmware update in progress", reason);
    if (fd_ < 0) {
        std::fprintf(stderr, "vantu: could not block sleep during the flash (%s); keep the machine awake\n",
                     reason.c_str());
        std::fflush(stderr);
    }
}

SleepInhibitor::~SleepInhibitor() {
    if (fd_ >= 0) SetThreadExecutionState(ES_CONTINUOUS);
}
