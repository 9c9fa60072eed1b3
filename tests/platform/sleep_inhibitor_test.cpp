// SPDX-License-Identifier: GPL-3.0-or-later
// The sleep inhibitor against a fake service: what it asks for, that the block ends with
// it, and that a missing service only costs one line on standard error. No real inhibitor
// is ever taken here.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "platform/sleep_inhibitor.h"

namespace {

class FakeBlocker : public SleepBlocker {
public:
    int Inhibit(const char* what_arg, const char* who, const char* why, std::string& reason) override {
        ++calls;
        what = what_arg;
        EXPECT_NE(std::string(who), "");
        EXPECT_NE(std::string(why), "");
        if (!available) {
            reason = "no system bus";
            return -1;
        }
        int ends[2];
        EXPECT_EQ(::pipe(ends), 0);
        kept_end = ends[0];
        return ends[1];
    }
    // The block lasts while the inhibitor's descriptor is open: here, while the pipe has a writer.
    bool BlockReleased() const {
        char byte;
        return ::read(kept_end, &byte, 1) == 0;
    }

    bool available = true;
    int calls = 0;
    std::string what;
    int kept_end = -1;
};

TEST(SleepInhibitorTest, HoldsEveryWayToStopTheMachineUntilItEnds) {
    FakeBlocker blocker;
    {
        ScopedSleepBlocker seam(blocker);
        SleepInhibitor inhibitor;
        EXPECT_TRUE(inhibitor.held());
        EXPECT_EQ(blocker.what, "sleep:shutdown:handle-lid-switch:handle-suspend-key:handle-power-key");
        ::fcntl(blocker.kept_end, F_SETFL, O_NONBLOCK);
        EXPECT_FALSE(blocker.BlockReleased());
    }
    EXPECT_TRUE(blocker.BlockReleased());
    ::close(blocker.kept_end);
    EXPECT_EQ(&CurrentSleepBlocker(), &SystemSleepBlocker()) << "the seam is given back";
}

TEST(SleepInhibitorTest, MissingServiceLetsTheRunGoOnWithOneLine) {
    FakeBlocker blocker;
    blocker.available = false;
    testing::internal::CaptureStderr();
    {
        SleepInhibitor inhibitor(blocker);
        EXPECT_FALSE(inhibitor.held());
    }
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(blocker.calls, 1);
    EXPECT_EQ(err, "vantu: could not block sleep and shutdown during the flash (no system bus); keep the machine awake\n");
}

}  // namespace
