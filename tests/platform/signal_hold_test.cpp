// SPDX-License-Identifier: GPL-3.0-or-later
// Termination signals during a flash wait for its end, each case in a forked child, so the
// test runner itself is never signalled.

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>

#include "platform/signal_hold.h"

namespace {

struct ChildEnd {
    bool exited = false;
    int status = -1;
    int signal = 0;
    std::string err;
};

class SignalHoldTest : public ::testing::Test {
protected:
    void TearDown() override {
        std::remove(err_.c_str());
        std::remove(marker_.c_str());
    }

    // Runs `body` in a child whose stderr goes to a file; a child still alive after 30 s is killed.
    ChildEnd Run(const std::function<int()>& body) {
        std::fflush(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::alarm(30);
            std::freopen(err_.c_str(), "w", stderr);
            std::_Exit(body());
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        ChildEnd end;
        end.exited = WIFEXITED(status);
        if (end.exited) end.status = WEXITSTATUS(status);
        if (WIFSIGNALED(status)) end.signal = WTERMSIG(status);
        std::ifstream in(err_);
        end.err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return end;
    }
    // What the run does after the signals came: it must get here.
    void Finish() const { std::ofstream(marker_) << "end command sent"; }
    bool Finished() const { return std::ifstream(marker_).good(); }

    std::string err_ = ::testing::TempDir() + "vantu_signal_err_" + std::to_string(::getpid());
    std::string marker_ = ::testing::TempDir() + "vantu_signal_marker_" + std::to_string(::getpid());
};

TEST_F(SignalHoldTest, SignalsWaitForTheRunThenTheFirstEndsTheProcess) {
    const ChildEnd end = Run([&] {
        {
            SignalHold hold;
            ::raise(SIGTERM);
            ::raise(SIGINT);
            ::raise(SIGHUP);
            if (hold.pending_signal() != SIGTERM) return 3;
            Finish();
        }
        return 0;  // not reached: the held SIGTERM ends the process here
    });
    EXPECT_FALSE(end.exited) << "status " << end.status;
    EXPECT_EQ(end.signal, SIGTERM);
    EXPECT_TRUE(Finished());
    EXPECT_EQ(end.err, "vantu: the work with the EC finishes first; the program ends after it\n") << "said once";
}

// Every signal whose default ends the process waits for the outermost hold, whichever thread
// holds: an inner hold (the EC session inside a run that still writes its record) ends nothing.
TEST_F(SignalHoldTest, EveryEndingSignalWaitsForTheOutermostHold) {
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGUSR2, SIGALRM, SIGPIPE, SIGXFSZ,
                                    SIGVTALRM, SIGPROF}) {
        SCOPED_TRACE(signal_number);
        std::remove(marker_.c_str());
        const ChildEnd end = Run([&] {
            const rlimit no_core{0, 0};
            ::setrlimit(RLIMIT_CORE, &no_core);
            {
                SignalHold outer;
                std::thread([&] {
                    SignalHold inner;
                    ::raise(signal_number);
                }).join();
                Finish();
            }
            return 0;
        });
        EXPECT_EQ(end.signal, signal_number) << "exited " << end.exited << " with " << end.status;
        EXPECT_TRUE(Finished());
    }
}

TEST_F(SignalHoldTest, QuietRunEndsNormallyAndLeavesTheHandlersAsTheyWere) {
    const ChildEnd end = Run([&] {
        { SignalHold hold; }
        struct sigaction now {};
        ::sigaction(SIGTERM, nullptr, &now);
        return now.sa_handler == SIG_DFL ? 0 : 4;
    });
    EXPECT_TRUE(end.exited);
    EXPECT_EQ(end.status, 0);
    EXPECT_EQ(end.err, "");
}

TEST_F(SignalHoldTest, IgnoredSignalStaysIgnored) {
    const ChildEnd end = Run([&] {
        ::signal(SIGHUP, SIG_IGN);  // started under nohup
        {
            SignalHold hold;
            ::raise(SIGHUP);
            if (hold.pending_signal() != 0) return 5;
        }
        Finish();
        return 0;
    });
    EXPECT_TRUE(end.exited);
    EXPECT_EQ(end.status, 0);
    EXPECT_TRUE(Finished());
    EXPECT_EQ(end.err, "");
}

}  // namespace
