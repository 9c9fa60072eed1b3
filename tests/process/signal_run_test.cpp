// SPDX-License-Identifier: GPL-3.0-or-later
// A termination signal in the middle of an unattended flash waits: the flash ends, the log
// says PASS and the version record is written, and only then does the signal end the program.

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "vantu_test_support.h"

namespace {

using testini::IniText;
using vantu_test::RunDir;
using vantu_test::Unattended;

#ifndef _WIN32
TEST(SignalRunTest, SigtermWhileProgrammingLeavesAPassAndAWholeFlash) {
    RunDir dir("sigterm");
    dir.ConfigureSim("chip=winbond");
    dir.Write("uiset.ini", IniText(Unattended()));
    const std::vector<uint8_t> image = vantu_test::PatternBytes(4 * 65536, 5);
    dir.WriteBytes("IMAGE.Bin", image);

    RunDir::Options options;
    options.signal_at = "Start Programming....";
    options.signal_number = SIGTERM;
    const ProcessResult run = dir.Run(options);
    EXPECT_EQ(run.signal, SIGTERM) << "the signal was lost: " << run.err;
    EXPECT_NE(run.err.find("finishes first"), std::string::npos) << run.err;
    EXPECT_EQ(dir.ReadText("Flash_log.txt"), "PASS\n") << run.err;
    EXPECT_TRUE(dir.Exists("EC_version.txt"));
    const std::vector<uint8_t> flash = dir.Flash();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
}
#endif

}  // namespace
