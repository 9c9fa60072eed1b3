// SPDX-License-Identifier: GPL-3.0-or-later
// The session guards of vantu-cli in-process, against the simulator at the port seam: the
// lock, the silent EC, and the sleep block a write holds. No real lock or bus is touched.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cli/ec_session.h"
#include "platform/administrator_rights.h"
#include "platform/session_lock.h"
#include "platform/sleep_inhibitor.h"
#include "sim/in_process.h"
#include "test_env.h"

namespace {

namespace fs = std::filesystem;

class RecordingBlocker : public SleepBlocker {
public:
    int Inhibit(const char*, const char*, const char*, std::string& reason) override {
        ++calls;
        reason = "test bus";
        return -1;
    }
    int calls = 0;
};

class EcSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vantu-cli-session-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        lock_path_ = (dir_ / "vantu.lock").string();
        testenv::Set("VANTU_LOCK_FILE", lock_path_);
        plan_.command = "write";
        plan_.writes_flash = true;
        request_.quiet = true;
    }
    void TearDown() override {
        testenv::Unset("VANTU_LOCK_FILE");
        fs::remove_all(dir_);
    }
    // Runs a session; true when its body ran.
    std::pair<ExitStatus, bool> RunSession(sim::Config config = {}) {
        sim::Device device(config);
        sim::InProcess at_the_seam(device);
        const ScopedSleepBlocker fake_bus(blocker_);
        CliOutput out(request_, ProgressMode::Off);
        bool ran = false;
        const ExitStatus status = RunEcSession(plan_, EcSetup{}, out, [&] {
            ran = true;
            return ExitStatus::Passed;
        });
        return {status, ran};
    }

    fs::path dir_;
    std::string lock_path_;
    SessionPlan plan_;
    CliRequest request_;
    RecordingBlocker blocker_;
};

TEST_F(EcSessionTest, OnlyAWriteHoldsOffSleep) {
    EXPECT_EQ(RunSession(), std::make_pair(ExitStatus::Passed, true));
    EXPECT_EQ(blocker_.calls, 1);
    plan_.writes_flash = false;
    EXPECT_EQ(RunSession(), std::make_pair(ExitStatus::Passed, true));
    EXPECT_EQ(blocker_.calls, 1);
}

TEST_F(EcSessionTest, AnotherHolderOfTheLockRefusesEveryCommand) {
    {
        // Another run's lock, refused to this one in one process as across two.
        const SessionLock other(lock_path_);
        ASSERT_TRUE(other.held());
        for (bool writes : {true, false}) {
            plan_.writes_flash = writes;
            EXPECT_EQ(RunSession(), std::make_pair(ExitStatus::Refused, false));
        }
    }
    EXPECT_EQ(RunSession(), std::make_pair(ExitStatus::Passed, true));
}

TEST_F(EcSessionTest, ASilentStatusPortRefusesUnlessThePlanAsksToLook) {
    sim::Config absent;
    absent.ec_absent = true;
    EXPECT_EQ(RunSession(absent), std::make_pair(ExitStatus::Refused, false));
    plan_.needs_ec_answer = false;
    EXPECT_EQ(RunSession(absent), std::make_pair(ExitStatus::Passed, true));
}

TEST_F(EcSessionTest, WithoutAdministratorRightsNothingIsTouched) {
    const ScopedAdministratorRights not_elevated(false);
    // Asked before the lock, which such a console could not even take on Windows.
    const SessionLock other(lock_path_);
    ASSERT_TRUE(other.held());
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunSession(), std::make_pair(ExitStatus::NoPortAccess, false));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("from an administrator prompt"), std::string::npos);
}

}  // namespace
