// SPDX-License-Identifier: GPL-3.0-or-later
// One flasher at a time, as the built program sees it: while another holds the flash lock,
// an unattended run is refused at once, loads no port library, writes no file and leaves the
// shared flash alone; once the lock is free the same run flashes.

#include <gtest/gtest.h>

#include <unistd.h>

#include "platform/session_lock.h"
#include "vantu_test_support.h"

namespace {

using testini::IniText;
using vantu_test::RunDir;
using vantu_test::Unattended;

TEST(SessionLockRunTest, SecondRunIsRefusedAtOnceAndTouchesNothing) {
    RunDir dir("locked");
    dir.ConfigureSim("chip=winbond\ntrace_file=" + (dir.path() / "trace.txt").string());
    const std::string settings = IniText(Unattended());
    dir.Write("uiset.ini", settings);
    dir.WriteBytes("IMAGE.Bin", vantu_test::PatternBytes(65536, 3));
    dir.Write("Flash_log.txt", "PASS\n");  // the other program's outcome, not to be overwritten
    {
        // Another program is flashing: it holds the lock the run will ask for.
        SessionLock other((dir.path() / "stubs" / "vantu.lock").string());
        ASSERT_TRUE(other.held()) << other.RefusalText();
        const ProcessResult refused = dir.RunVantu(20);
        ASSERT_TRUE(refused.exited) << refused.err;
        EXPECT_EQ(refused.exit_status, 1);
        // Whose lock it met: this test program's.
        EXPECT_NE(refused.err.find("another program is working with the EC (vantu_process_tests, pid " +
                                   std::to_string(::getpid()) + ", since "),
                  std::string::npos)
            << refused.err;
        EXPECT_FALSE(dir.Exists("trace.txt")) << "the port library was used";
        EXPECT_EQ(dir.ReadText("Flash_log.txt"), "PASS\n");
        EXPECT_FALSE(dir.Exists("EC_version.txt"));
        EXPECT_EQ(dir.Read("uiset.ini"), settings);
        EXPECT_EQ(dir.Flash(), dir.InitialFlash());
    }
    dir.Write("Flash_log.txt", "Fail\n");
    const ProcessResult passed = dir.RunVantu();
    ASSERT_TRUE(passed.exited) << passed.err;
    EXPECT_EQ(passed.exit_status, 0) << passed.err;
    EXPECT_EQ(dir.ReadText("Flash_log.txt"), "PASS\n");
}

}  // namespace
