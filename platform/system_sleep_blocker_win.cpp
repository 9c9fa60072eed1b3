// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: no service hands out a block; the thread's execution state keeps the system from
// sleeping while the flash runs. Shutdown and the lid are not covered there.

#include <windows.h>

#include <string>

#include "platform/sleep_inhibitor.h"

namespace {

class ExecutionStateBlocker : public SleepBlocker {
public:
    int Inhibit(const char*, const char*, const char*, std::string& reason) override {
        if (SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED) != 0) return 0;
        reason = "error " + std::to_string(GetLastError());
        return -1;
    }
    void Release(int) override { SetThreadExecutionState(ES_CONTINUOUS); }
    const char* Blocks() const override { return "sleep"; }
};

}  // namespace

SleepBlocker& SystemSleepBlocker() {
    static ExecutionStateBlocker blocker;
    return blocker;
}
