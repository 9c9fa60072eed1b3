// SPDX-License-Identifier: GPL-3.0-or-later
// What an unattended run leaves for the script that started it, and what it refuses before
// it reaches the EC: result files replaced without writing through links, no earlier
// outcome left standing, ports and end commands that would never work, images that are no
// regular file.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "vantu_test_support.h"

namespace {

namespace fs = std::filesystem;
using testini::IniText;
using vantu_test::RunDir;
using vantu_test::Unattended;


TEST(ResultFilesTest, LogAndVersionRecordReachedThroughLinksLeaveTheTargetsUntouched) {
    for (const bool dangling : {false, true}) {
        RunDir dir(dangling ? "links-dangling" : "links-live");
        dir.ConfigureSim("ec_space=0x20:0x01,0x21:0x0A");
        testini::IniValues ini = Unattended();
        ini.fw_version_show = "1";
        ini.start_index = "0x20";
        dir.Write("uiset.ini", IniText(ini));
        dir.WriteBytes("IMAGE.Bin", vantu_test::PatternBytes(4096, 3));
        fs::create_directories(dir.path() / "elsewhere");
        for (const char* name : {"Flash_log.txt", "EC_version.txt"}) {
            const fs::path target = dir.path() / "elsewhere" / name;
            if (!dangling) dir.Write(std::string("elsewhere/") + name, "someone else's file\n");
            fs::create_symlink(target, dir.path() / name);
        }

        const ProcessResult result = dir.RunVantu();
        ASSERT_TRUE(result.exited) << result.err;
        EXPECT_EQ(result.exit_status, 0) << result.err;
        EXPECT_EQ(dir.ReadText("Flash_log.txt"), "PASS\n");
        EXPECT_EQ(dir.ReadText("EC_version.txt"), "1.10\n");
        for (const char* name : {"Flash_log.txt", "EC_version.txt"}) {
            EXPECT_FALSE(fs::is_symlink(dir.path() / name)) << name;
            if (dangling)
                EXPECT_FALSE(fs::exists(dir.path() / "elsewhere" / name)) << name;  // never created
            else
                EXPECT_EQ(dir.Read(std::string("elsewhere/") + name), "someone else's file\n") << name;
        }
        EXPECT_EQ(dir.Names(), (std::vector<std::string>{"EC_version.txt", "Flash_log.txt", "IMAGE.Bin", "backups",
                                                         "elsewhere"}));
    }
}

TEST(ResultFilesTest, ARunThatEndsBeforeTheFlashLeavesNoEarlierOutcome) {
    RunDir dir("stale-log");
    dir.ConfigureSim("");
    dir.Write("uiset.ini", IniText(Unattended()));
    dir.Write("Flash_log.txt", "PASS\n");  // an earlier run's
    const ProcessResult result = dir.RunVantu();
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(dir.ReadText("Flash_log.txt"), "Fail\n");
}

TEST(ResultFilesTest, AnImageThatIsNoRegularFileEndsTheRunAtOnce) {
    RunDir dir("fifo-image");
    dir.ConfigureSim("trace_file=" + (dir.path() / "trace.txt").string());
    dir.Write("uiset.ini", IniText(Unattended()));
    dir.Write("Flash_log.txt", "PASS\n");
    ASSERT_EQ(::mkfifo((dir.path() / "IMAGE.Bin").c_str(), 0600), 0);  // nobody ever writes to it

    const ProcessResult result = dir.RunVantu(20);  // a blocked open would run into this limit
    ASSERT_TRUE(result.exited) << (result.timed_out ? "timed out" : result.err);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_NE(result.err.find("Bin file is not a regular file, not read!!"), std::string::npos) << result.err;
    EXPECT_EQ(dir.ReadText("Flash_log.txt"), "Fail\n");
    EXPECT_EQ(dir.Read("trace.txt").find("DC"), std::string::npos);
    EXPECT_EQ(dir.Flash(), dir.InitialFlash());
}

// The simulated EC sits where the out-of-range ports would land once cut to 16 bits; the
// version is read from EC space, so any port access would show as a command in its trace.
TEST(ResultFilesTest, PortsOutOfRangeAreRefusedBeforeAnyPortAccess) {
    struct Case {
        const char* acpi_port;
        const char* sim_ports;
        const char* shown;
    };
    const Case cases[] = {
        {"0x0", "ec_status_port=0x0004\nec_data_port=0x0000", "EC DATA port 0 out of range"},
        {"0xFFFC", "ec_status_port=0x0000\nec_data_port=0xFFFC", "EC CMD port 10000 out of range"},
        {"0xFFFFFFFF", "ec_status_port=0x0003\nec_data_port=0xFFFF", "EC DATA port FFFFFFFF out of range"},
    };
    for (const Case& c : cases) {
        RunDir dir(std::string("ports-") + c.acpi_port);
        dir.ConfigureSim(std::string(c.sim_ports) + "\ntrace_file=" + (dir.path() / "trace.txt").string());
        testini::IniValues ini = Unattended();
        ini.acpi_port = c.acpi_port;
        ini.fw_version_show = "1";
        dir.Write("uiset.ini", IniText(ini));
        dir.WriteBytes("IMAGE.Bin", vantu_test::PatternBytes(4096, 5));
        dir.Write("Flash_log.txt", "PASS\n");  // an earlier run's

        const ProcessResult result = dir.RunVantu();
        ASSERT_TRUE(result.exited) << c.acpi_port;
        EXPECT_EQ(result.exit_status, 1) << c.acpi_port;
        EXPECT_NE(result.err.find(c.shown), std::string::npos) << result.err;
        EXPECT_EQ(dir.Read("trace.txt"), "") << c.acpi_port;
        EXPECT_EQ(dir.Flash(), dir.InitialFlash()) << c.acpi_port;
        EXPECT_EQ(dir.ReadText("EC_version.txt"), "00000\n") << c.acpi_port;
        EXPECT_EQ(dir.ReadText("Flash_log.txt"), "Fail\n") << c.acpi_port;
    }
}

TEST(ResultFilesTest, ALinkCommandAsEndCommandIsRefusedBeforeFollowMode) {
    for (const char* end_cmd : {"0x01", "0x05"}) {
        RunDir dir(std::string("end-") + end_cmd);
        dir.ConfigureSim("trace_file=" + (dir.path() / "trace.txt").string());
        testini::IniValues ini = Unattended();
        ini.end_cmd = end_cmd;
        dir.Write("uiset.ini", IniText(ini));
        dir.WriteBytes("IMAGE.Bin", vantu_test::PatternBytes(4096, 6));

        const ProcessResult result = dir.RunVantu();
        ASSERT_TRUE(result.exited) << end_cmd;
        EXPECT_EQ(result.exit_status, 1) << end_cmd;
        EXPECT_NE(result.err.find(std::string("FlashEnd CMD ") + end_cmd + " is a follow mode command"),
                  std::string::npos)
            << result.err;
        EXPECT_EQ(dir.Read("trace.txt").find("DC"), std::string::npos) << end_cmd;  // follow mode never asked for
        EXPECT_EQ(dir.Flash(), dir.InitialFlash()) << end_cmd;
    }
}

}  // namespace
