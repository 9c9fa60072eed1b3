// SPDX-License-Identifier: GPL-3.0-or-later
// The port library as the program finds it: by name, through LD_LIBRARY_PATH, in a child
// process. The simulated library answers; a missing or incomplete library ends the program
// with the fixed text and status 0.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "process_runner.h"

namespace {

namespace fs = std::filesystem;

class PortLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vantu-port-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    ProcessResult Probe(const std::string& library_dir, const std::string& config_text = "") {
        ProcessLaunch launch;
        launch.program = PORT_PROBE_PATH;
        launch.working_dir = dir_.string();
        launch.env = TestEnvironment(dir_.string(), library_dir);
        if (!config_text.empty()) {
            std::ofstream(dir_ / "sim.conf") << config_text;
            launch.env["VANTU_SIM_CONFIG"] = (dir_ / "sim.conf").string();
        }
        launch.time_limit_s = 20;
        return RunProcess(launch);
    }

    fs::path dir_;
};

TEST_F(PortLibraryTest, SimulatedLibraryAnswersWithItsChipId) {
    const ProcessResult result = Probe(SIM_LIBRARY_DIR, "chip_id=0x5A3C\n");
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, "5A3C\n");
}

TEST_F(PortLibraryTest, EveryFailureToOpenPrintsTheTextAndEndsWithZero) {
    struct Case {
        const char* what;
        std::string library_dir;
        std::string config;
        const char* cause;  // on standard error, beside the fixed text
    };
    const Case cases[] = {
        {"no library", dir_.string(), "", "libinpout32.so could not be loaded"},
        {"entry point missing", BROKEN_LIBRARY_DIR, "", "lacks the entry point Out32"},
        {"driver refused, kernel without iopl", SIM_LIBRARY_DIR, "driver_open=0\ndriver_errno=38\n", "no iopl/ioperm"},
        {"driver refused, errno not known", SIM_LIBRARY_DIR, "driver_open=0\n", "vantu: "},
    };
    for (const Case& c : cases) {
        const ProcessResult result = Probe(c.library_dir, c.config);
        ASSERT_TRUE(result.exited) << c.what;
        EXPECT_EQ(result.exit_status, 0) << c.what;
        EXPECT_EQ(result.out, "Please Check Administrator or InpOut32.DLL !") << c.what;
        EXPECT_NE(result.err.find(c.cause), std::string::npos) << c.what << ": " << result.err;
    }
}

}  // namespace
