// The session guards of vantu-cli in-process, against the simulator at the port seam: the
// battery refusal of a write, the lock, the silent EC, and the sleep block a write holds. No
// real lock, bus or power supply is touched.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cli/ec_session.h"
#include "hw/sleep_inhibitor.h"
#include "sim/in_process.h"

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
        fs::create_directories(dir_ / "power");
        lock_path_ = (dir_ / "vantu.lock").string();
        ::setenv("VANTU_LOCK_FILE", lock_path_.c_str(), 1);
        plan_.command = "write";
        plan_.writes_flash = true;
        plan_.power_supply_root = (dir_ / "power").string();
        request_.quiet = true;
    }
    void TearDown() override {
        ::unsetenv("VANTU_LOCK_FILE");
        fs::remove_all(dir_);
    }
    void Supply(const std::string& name, const std::string& type, const std::string& file, const std::string& value) {
        fs::create_directories(dir_ / "power" / name);
        std::ofstream(dir_ / "power" / name / "type") << type << "\n";
        std::ofstream(dir_ / "power" / name / file) << value << "\n";
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

TEST_F(EcSessionTest, AWriteOnALowBatteryWithoutAcIsRefused) {
    Supply("AC", "Mains", "online", "0");
    Supply("BAT0", "Battery", "capacity", "12");
    EXPECT_EQ(RunSession(), std::make_pair(ExitStatus::Refused, false));
    EXPECT_EQ(blocker_.calls, 0);

    Supply("AC", "Mains", "online", "1");  // the charger plugged in
    EXPECT_EQ(RunSession(), std::make_pair(ExitStatus::Passed, true));
    EXPECT_EQ(blocker_.calls, 1);  // and the write holds off sleep
}

TEST_F(EcSessionTest, ReadingIgnoresTheBatteryAndTakesNoSleepBlock) {
    Supply("AC", "Mains", "online", "0");
    Supply("BAT0", "Battery", "capacity", "3");
    plan_.writes_flash = false;
    EXPECT_EQ(RunSession(), std::make_pair(ExitStatus::Passed, true));
    EXPECT_EQ(blocker_.calls, 0);
}

TEST_F(EcSessionTest, AnotherHolderOfTheLockRefusesEveryCommand) {
    const int held = ::open(lock_path_.c_str(), O_RDONLY | O_CREAT, 0644);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    for (bool writes : {true, false}) {
        plan_.writes_flash = writes;
        EXPECT_EQ(RunSession(), std::make_pair(ExitStatus::Refused, false));
    }
    ::close(held);
    EXPECT_EQ(RunSession(), std::make_pair(ExitStatus::Passed, true));
}

TEST_F(EcSessionTest, ASilentStatusPortRefusesUnlessThePlanAsksToLook) {
    sim::Config absent;
    absent.ec_absent = true;
    EXPECT_EQ(RunSession(absent), std::make_pair(ExitStatus::Refused, false));
    plan_.needs_ec_answer = false;
    EXPECT_EQ(RunSession(absent), std::make_pair(ExitStatus::Passed, true));
}

}  // namespace
