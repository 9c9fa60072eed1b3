// SPDX-License-Identifier: GPL-3.0-or-later
// One flasher at a time: a second lock on the same file is refused at once, in this process
// or another, and the lock is free again when its holder ends.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "child_process.h"
#include "platform/session_lock.h"

namespace {

namespace fs = std::filesystem;

class SessionLockTest : public ::testing::Test {
protected:
    void SetUp() override { fs::remove(path_); }
    void TearDown() override {
        fs::remove(path_);
        fs::remove(target_);
    }
    std::string path_ = ::testing::TempDir() + "vantu_lock_test_" + std::to_string(::getpid()) + ".lock";
    std::string target_ = path_ + ".target";
};

TEST_F(SessionLockTest, SecondLockIsRefusedAtOnceUntilTheFirstEnds) {
    {
        SessionLock first(path_);
        ASSERT_TRUE(first.held()) << first.RefusalText();
        EXPECT_EQ(first.RefusalText(), "");
        SessionLock second(path_);
        EXPECT_EQ(second.state(), SessionLock::State::Busy);
        EXPECT_NE(second.RefusalText().find("another program is working with the EC (platform_tests, pid " +
                                            std::to_string(::getpid()) + ", since "),
                  std::string::npos)
            << second.RefusalText();
        EXPECT_NE(second.RefusalText().find(path_), std::string::npos);
        // Another program: refused as well, and at once (a wait would run into the child's alarm).
        EXPECT_EQ(simtest::RunInChild([&] { return SessionLock(path_).state() == SessionLock::State::Busy ? 7 : 1; }),
                  7);
    }
    EXPECT_EQ(simtest::RunInChild([&] { return SessionLock(path_).held() ? 7 : 1; }), 7);
    EXPECT_TRUE(SessionLock(path_).held());
}

TEST_F(SessionLockTest, LinkInPlaceOfTheLockFileIsNotFollowed) {
    std::ofstream(target_) << "keep";
    fs::create_symlink(target_, path_);
    SessionLock lock(path_);
    EXPECT_EQ(lock.state(), SessionLock::State::Failed);
    EXPECT_NE(lock.RefusalText().find("could not be taken"), std::string::npos) << lock.RefusalText();
    std::string kept;
    std::ifstream(target_) >> kept;
    EXPECT_EQ(kept, "keep");
}

TEST_F(SessionLockTest, DefaultPathIsMachineWide) {
    // Only asked for, never taken: the test program's own lock file steps aside meanwhile.
    const std::string own = std::getenv("VANTU_LOCK_FILE") != nullptr ? std::getenv("VANTU_LOCK_FILE") : "";
    ::unsetenv("VANTU_LOCK_FILE");
    const std::string path = DefaultSessionLockPath();
    if (!own.empty()) ::setenv("VANTU_LOCK_FILE", own.c_str(), 1);
    EXPECT_EQ(fs::path(path).filename(), "vantu.lock");
    if (fs::is_directory("/run/lock")) EXPECT_EQ(path, "/run/lock/vantu.lock");
}

}  // namespace
