// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: the console's Ctrl+C and Ctrl+Break during a flash wait for its end. The handler is
// called as the console would call it, in a death test's child, which the held event ends.

#include <gtest/gtest.h>

#include <windows.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "platform/signal_hold.h"

namespace {

const int kControlCExit = static_cast<int>(0xC000013Au);

TEST(SignalHoldWinTest, CtrlBreakAndCtrlCAreHandledAndTheFirstIsKept) {
    EXPECT_EXIT(
        {
            {
                SignalHold hold;
                const bool clean = hold.pending_signal() == 0;
                // Handled: the console does not end the process.
                const bool handled = SignalHoldConsoleHandler(CTRL_BREAK_EVENT) && SignalHoldConsoleHandler(CTRL_C_EVENT);
                std::fprintf(stderr, "clean %d handled %d pending %d\n", clean, handled, hold.pending_signal());
            }
            std::fputs("went on after the hold\n", stderr);
            std::exit(0);
        },
        ::testing::ExitedWithCode(kControlCExit), "clean 1 handled 1 pending 21");
}

TEST(SignalHoldWinTest, TheProgramEndsOnlyWhenTheHoldEnds) {
    EXPECT_EXIT(
        {
            {
                SignalHold hold;
                SignalHoldConsoleHandler(CTRL_C_EVENT);
                std::fputs("the run finished\n", stderr);
            }
            std::fputs("went on after the hold\n", stderr);
            std::exit(0);
        },
        ::testing::ExitedWithCode(kControlCExit), "the program ends after it\\s*the run finished\\s*$");
}

TEST(SignalHoldWinTest, AHoldWithoutAnEventLetsTheProgramGoOn) {
    for (int i = 0; i < 2; ++i) {
        SignalHold hold;
        EXPECT_EQ(hold.pending_signal(), 0);
    }
}

}  // namespace
