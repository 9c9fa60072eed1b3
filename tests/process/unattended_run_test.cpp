// SPDX-License-Identifier: GPL-3.0-or-later
// The built program run unattended, as an install script runs it: the exit status, the
// log, the flash contents afterwards and the restart request, for passing and failing runs.
// Every failing run starts with a PASS an earlier run left in the log: it must not survive.

#include <gtest/gtest.h>

#include <filesystem>
#include <string_view>

#include "flash/restart.h"
#include "platform/library_loader.h"
#include "vantu_test_support.h"

namespace {

using testini::IniText;
using vantu_test::Unattended;
using vantu_test::RunDir;
using vantu_test::kStalePass;

std::vector<uint8_t> Image(size_t size) { return vantu_test::PatternBytes(size, 7); }

// The first flash bytes equal the image, and the rest of its last chunk reads 0xFF.
bool FlashHoldsImage(const RunDir& dir, const std::vector<uint8_t>& image) {
    const std::vector<uint8_t> flash = dir.Flash();
    const size_t end = (image.size() + 0xFFFF) / 0x10000 * 0x10000;
    if (flash.size() < end) return false;
    for (size_t i = 0; i < end; ++i)
        if (flash[i] != (i < image.size() ? image[i] : 0xFF)) return false;
    return true;
}

TEST(UnattendedRunTest, PassesOnEveryChipVariant) {
    const char* chips[] = {"sst-jedec", "sst-legacy", "mx-32", "mx", "gd", "ff", "winbond", "legacy-other"};
    // What the restart stub records when the run asks for the restart.
    std::string restart_line;
    for (const std::string& word : RestartCommand()) restart_line += (restart_line.empty() ? "" : " ") + word;
    size_t run = 0;
    for (const char* chip : chips) {
        // The 64 KB chip takes one chunk; the others two, the second one partial.
        const std::vector<uint8_t> image = Image(std::string_view(chip) == "mx-32" ? 65536 : 65536 + 1000);
        RunDir dir(std::string("chip-") + chip);
        dir.ConfigureSim(std::string("chip=") + chip);
        // Every other run asks for the restart after its pass: the stub, not the system, takes it.
        const bool restart = run++ % 2 == 0;
        testini::IniValues ini = Unattended();
        ini.shutdown = restart ? "1" : "0";
        dir.Write("uiset.ini", IniText(ini));
        dir.WriteBytes("IMAGE.Bin", image);

        const ProcessResult result = dir.RunVantu();
        ASSERT_TRUE(result.exited) << chip << result.err;
        EXPECT_EQ(result.exit_status, 0) << chip << result.err;
        EXPECT_EQ(dir.ReadText("Flash_log.txt"), "PASS\n") << chip;
        EXPECT_TRUE(FlashHoldsImage(dir, image)) << chip;
        EXPECT_EQ(dir.RestartCalls(), restart ? std::vector<std::string>{restart_line} : std::vector<std::string>{})
            << chip << result.err;
        EXPECT_TRUE(dir.Exists("EC_version.txt")) << chip;
    }
}

TEST(UnattendedRunTest, EveryFailureEndsWithStatusOneAndFail) {
    struct Case {
        const char* what;
        std::string sim;
        size_t image_size;
        bool flash_untouched;
        const char* reason;  // the status line's last text, which the script reads too
    };
    const Case cases[] = {
        {"verify failure", "stuck_ones=0x10:0x01", 65536, false, "Verify Fail!!"},
        {"no acknowledge", "flash_mode_reply=0x5A", 65536, true, "EC ACK Fail !ACK = 5A"},
        // On a 128 KB chip, past the backup's one command per byte and into the first chunk.
        {"EC stops answering", "jedec_id=0xEF4011\nstop_answering_after_commands=151072", 2 * 65536, false,
         "EC not answering, time-out!!"},
        {"EC stops during the backup", "stop_answering_after_commands=20000", 2 * 65536, true,
         "EC not answering, time-out!!"},
        {"empty image", "", 0, true, "Verify Fail!!"},
        {"chip stuck busy", "stuck_busy=1", 65536, true, "Flash chip not ready, time-out!!"},
    };
    for (const Case& c : cases) {
        RunDir dir(std::string("fail-") + std::to_string(&c - cases));
        dir.ConfigureSim(c.sim);
        testini::IniValues ini = Unattended();
        ini.shutdown = "1";
        dir.Write("uiset.ini", IniText(ini));
        dir.Write("Flash_log.txt", kStalePass);
        std::vector<uint8_t> image = Image(c.image_size);
        if (c.image_size > 0x10) image[0x10] &= 0xFE;  // a bit the stuck-bit case cannot clear
        dir.WriteBytes("IMAGE.Bin", image);

        const ProcessResult result = dir.RunVantu(45);
        ASSERT_TRUE(result.exited) << c.what << (result.timed_out ? " timed out" : "");
        EXPECT_EQ(result.exit_status, 1) << c.what;
        EXPECT_EQ(dir.ReadText("Flash_log.txt"), "Fail\n") << c.what;
        EXPECT_TRUE(dir.RestartCalls().empty()) << c.what;  // never a restart after a failure
        if (c.flash_untouched) {
            EXPECT_EQ(dir.Flash(), dir.InitialFlash()) << c.what;
        }
        EXPECT_EQ(vantu_test::LastLine(result.err), c.reason) << c.what;
    }
}

TEST(UnattendedRunTest, OversizeImageIsRefusedWithoutTouchingTheFlash) {
    RunDir dir("oversize");
    dir.ConfigureSim("trace_file=" + (dir.path() / "trace.txt").string());
    dir.Write("uiset.ini", IniText(Unattended()));
    dir.WriteBytes("IMAGE.Bin", {0x00});
    std::filesystem::resize_file(dir.path() / "IMAGE.Bin", (16u << 20) + 1);
    dir.Write("Flash_log.txt", kStalePass);

    const ProcessResult result = dir.RunVantu();
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(dir.ReadText("Flash_log.txt"), "Fail\n");
    EXPECT_FALSE(result.err.empty());
    EXPECT_EQ(dir.Flash(), dir.InitialFlash());
    EXPECT_EQ(dir.Read("trace.txt").find("DC"), std::string::npos);  // follow mode never requested
}

// The run saves the flash as it was before erasing anything; refusals leave it untouched.
TEST(UnattendedRunTest, BackupHoldsTheOldFlashAndRefusalsLeaveItUntouched) {
    {
        RunDir dir("backup");
        dir.ConfigureSim("jedec_id=0xEF4011", 128 * 1024);
        dir.Write("uiset.ini", IniText(Unattended()));
        dir.WriteBytes("IMAGE.Bin", Image(65536 + 300));
        const ProcessResult result = dir.RunVantu();
        ASSERT_TRUE(result.exited) << result.err;
        EXPECT_EQ(result.exit_status, 0) << result.err;
        std::vector<std::filesystem::path> backups;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "backups"))
            backups.push_back(entry.path());
        ASSERT_EQ(backups.size(), 1u);
        const std::string saved = dir.Read("backups/" + backups[0].filename().string());
        EXPECT_EQ(std::vector<uint8_t>(saved.begin(), saved.end()), dir.InitialFlash());
        EXPECT_NE(result.err.find(backups[0].filename().string()), std::string::npos) << result.err;
    }
    struct Case {
        const char* what;
        std::string sim;
        size_t image_size;
        const char* reason;  // no-EC: the unit test shows from the port trace that nothing is written
    };
    const Case cases[] = {
        {"one chunk more than the chip", "jedec_id=0xEF4011", 128 * 1024 + 65536,
         "Bin file larger than flash chip, not flashed!!"},
        {"no EC at the ports", "ec_absent=1", 65536, "No EC answers at port"},
    };
    for (const Case& c : cases) {
        RunDir dir(std::string("refused-") + std::to_string(&c - cases));
        dir.ConfigureSim(c.sim, 128 * 1024);
        dir.Write("uiset.ini", IniText(Unattended()));
        dir.Write("Flash_log.txt", kStalePass);
        dir.WriteBytes("IMAGE.Bin", Image(c.image_size));
        const ProcessResult result = dir.RunVantu();
        ASSERT_TRUE(result.exited) << c.what;
        EXPECT_EQ(result.exit_status, 1) << c.what;
        EXPECT_EQ(dir.ReadText("Flash_log.txt"), "Fail\n") << c.what;
        EXPECT_EQ(dir.Flash(), dir.InitialFlash()) << c.what;
        EXPECT_FALSE(dir.Exists("backups")) << c.what;
        EXPECT_NE(result.err.find(c.reason), std::string::npos) << c.what << result.err;
    }
}

TEST(UnattendedRunTest, MissingImageEndsWithStatusOneAndFail) {
    RunDir dir("no-image");
    dir.ConfigureSim("");
    dir.Write("uiset.ini", IniText(Unattended()));
    dir.Write("Flash_log.txt", kStalePass);
    const ProcessResult result = dir.RunVantu();
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(dir.ReadText("Flash_log.txt"), "Fail\n");
    EXPECT_EQ(dir.Flash(), dir.InitialFlash());
    EXPECT_NE(result.err.find("Can't read Bin file!!"), std::string::npos);
}

TEST(OtherRunsTest, VersionOnlyRunRecordsTheVersion) {
    RunDir dir("version");
    dir.ConfigureSim("ec_space=0x20:0x01,0x21:0x0A");
    testini::IniValues ini = Unattended();
    ini.auto_flash = "0";
    ini.fw_version_show = "2";
    ini.start_index = "0x20";
    dir.Write("uiset.ini", IniText(ini));

    const ProcessResult result = dir.RunVantu();
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(dir.ReadText("EC_version.txt"), "1.10\n");
    EXPECT_EQ(dir.Flash(), dir.InitialFlash());
}

TEST(UnattendedRunTest, NoPortAccessEndsWithStatusOneAndFail) {
    struct Case {
        const char* what;
        std::string library_dir;
        std::string sim;
    };
    const Case cases[] = {
        {"no library", "", ""},
        {"entry point missing", BROKEN_LIBRARY_DIR, ""},
        {"driver refused", SIM_LIBRARY_DIR, "driver_open=0"},
    };
    for (const Case& c : cases) {
        RunDir dir(std::string("no-port-") + std::to_string(&c - cases));
        dir.ConfigureSim(c.sim);
        testini::IniValues ini = Unattended();
        ini.fw_version_show = "1";
        ini.shutdown = "1";
        dir.Write("uiset.ini", IniText(ini));
        dir.WriteBytes("IMAGE.Bin", Image(4096));
        dir.Write("Flash_log.txt", kStalePass);
        RunDir::Options options;
        options.library_dir = c.library_dir;

        const ProcessResult result = dir.Run(options);
        ASSERT_TRUE(result.exited) << c.what << result.err;
        EXPECT_EQ(result.exit_status, 1) << c.what;
        EXPECT_EQ(dir.ReadText("Flash_log.txt"), "Fail\n") << c.what;
        EXPECT_EQ(result.out, "Please Check Administrator or InpOut32.DLL !") << c.what;
        EXPECT_NE(result.err.find("Please Check Administrator or InpOut32.DLL !\n"), std::string::npos) << c.what;
        EXPECT_EQ(dir.ReadText("EC_version.txt"), "00000\n") << c.what;
        EXPECT_TRUE(dir.RestartCalls().empty()) << c.what;
        EXPECT_EQ(dir.Flash(), dir.InitialFlash()) << c.what;
    }
}

TEST(OtherRunsTest, NoPortLibraryEndsAnInteractiveRunWithZeroBeforeAnyWindow) {
    RunDir dir("no-library");
    testini::IniValues ini = Unattended();
    ini.auto_flash = "0";
    ini.fw_version_show = "1";
    dir.Write("uiset.ini", IniText(ini));
    dir.Write("Flash_log.txt", kStalePass);  // not this run's: an interactive run leaves it

    const ProcessResult result = dir.RunVantu(60, /*with_library=*/false);
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, "Please Check Administrator or InpOut32.DLL !");
    EXPECT_EQ(dir.ReadText("Flash_log.txt"), kStalePass);
    EXPECT_EQ(dir.ReadText("EC_version.txt"), "00000\n");
    EXPECT_EQ(dir.Read("uiset.ini"), IniText(ini));  // loaded, and written back unchanged
}

TEST(OtherRunsTest, BuildTreeProgramLoadsNoLibraryFromItsWorkingDirectory) {
    RunDir dir("cwd-library");
    std::filesystem::copy_file(std::string(SIM_LIBRARY_DIR) + "/" + kPortLibraryName, dir.path() / kPortLibraryName);
    const ProcessResult result = dir.RunVantu(60, /*with_library=*/false);
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.out, "Please Check Administrator or InpOut32.DLL !");
}

TEST(OtherRunsTest, MissingSettingsFileEndsWithZeroAndCreatesNone) {
    for (const bool stale_log : {false, true}) {
        RunDir dir(stale_log ? "no-ini-stale-log" : "no-ini");
        dir.ConfigureSim("");
        if (stale_log) dir.Write("Flash_log.txt", kStalePass);
        const ProcessResult result = dir.RunVantu();
        ASSERT_TRUE(result.exited) << result.err;
        EXPECT_EQ(result.exit_status, 0);
        EXPECT_FALSE(dir.Exists("uiset.ini"));
        EXPECT_EQ(dir.ReadText("EC_version.txt"), "00000\n");
        EXPECT_NE(result.err.find("ini Load fail,pls check uiset.ini!!"), std::string::npos);
        // Whether a script waits for the log cannot be told: an earlier PASS must not stand,
        // and no log appears where there was none.
        if (stale_log) {
            EXPECT_EQ(dir.ReadText("Flash_log.txt"), "Fail\n");
        } else {
            EXPECT_FALSE(dir.Exists("Flash_log.txt"));
        }
    }
}

}  // namespace
