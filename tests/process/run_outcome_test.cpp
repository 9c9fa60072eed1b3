// SPDX-License-Identifier: GPL-3.0-or-later
// What an unattended run leaves for the script that started it, whatever the way it ends:
// the log never holds an earlier PASS after a failure, everything is on disk before the
// restart is asked for, and standard error says why a run did not pass.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "vantu_test_support.h"

namespace {

using testini::IniText;
using vantu_test::kStalePass;
using vantu_test::LastLine;
using vantu_test::RunDir;
using vantu_test::Unattended;

std::vector<uint8_t> Image(size_t size) { return vantu_test::PatternBytes(size, 11); }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Inode and modification time: a file replaced or written again shows in one of them.
std::pair<ino_t, timespec> Identity(const std::filesystem::path& file) {
    struct stat info {};
    ::stat(file.c_str(), &info);
    return {info.st_ino, info.st_mtim};
}

bool SameIdentity(const std::pair<ino_t, timespec>& a, const std::pair<ino_t, timespec>& b) {
    return a.first == b.first && a.second.tv_sec == b.second.tv_sec && a.second.tv_nsec == b.second.tv_nsec;
}

TEST(RunOutcomeTest, EverythingIsOnDiskBeforeTheRestartAndNothingIsWrittenAfterIt) {
    RunDir dir("restart-order");
    dir.ConfigureSim("ec_space=0x00:0x01,0x01:0x0A");
    testini::IniValues ini = Unattended();
    ini.header = "[Old header]";  // so the settings file is really rewritten by this run
    ini.shutdown = "1";
    ini.fw_version_show = "1";
    dir.Write("uiset.ini", IniText(ini));
    dir.WriteBytes("IMAGE.Bin", Image(4096));
    dir.Write("Flash_log.txt", "Fail\n");

    const ProcessResult result = dir.RunVantu();
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.exit_status, 0);
    ASSERT_EQ(dir.RestartCalls().size(), 1u);
    ini.header = "[Info]";
    EXPECT_EQ(dir.SeenAtRestart("Flash_log.txt"), "PASS\n");
    EXPECT_EQ(dir.SeenAtRestart("uiset.ini"), IniText(ini));
    EXPECT_EQ(dir.SeenAtRestart("EC_version.txt"), "1.10\n");
    for (const char* file : {"Flash_log.txt", "uiset.ini", "EC_version.txt"})
        EXPECT_TRUE(dir.UntouchedSinceRestart(file)) << file << " written after the restart was asked for";
}

TEST(RunOutcomeTest, RestartCommandThatFailsIsReportedAndThePassStands) {
    RunDir dir("restart-fails");
    dir.ConfigureSim("");
    dir.WriteRestartStubs(1);
    testini::IniValues ini = Unattended();
    ini.shutdown = "1";
    dir.Write("uiset.ini", IniText(ini));
    dir.WriteBytes("IMAGE.Bin", Image(4096));

    const ProcessResult result = dir.RunVantu();
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(dir.ReadText("Flash_log.txt"), "PASS\n");
    EXPECT_EQ(dir.RestartCalls().size(), 1u);
    EXPECT_TRUE(LastLine(result.err).starts_with("Restart failed: ")) << result.err;
}

TEST(RunOutcomeTest, EscapedErrorEndsWithStatusOneAndFail) {
    RunDir dir("exception");
    dir.ConfigureSim("");
    testini::IniValues ini = Unattended();
    ini.bin_name = "THROW";  // the preloaded library throws when this image is opened
    ini.shutdown = "1";
    dir.Write("uiset.ini", IniText(ini));
    dir.WriteBytes("THROW.Bin", Image(4096));
    dir.Write("Flash_log.txt", kStalePass);
    RunDir::Options options;
    options.env["LD_PRELOAD"] = THROWING_OPEN_PATH;

    const ProcessResult result = dir.Run(options);
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(dir.ReadText("Flash_log.txt"), "Fail\n");
    EXPECT_TRUE(Contains(result.err, "injected failure while opening the image.")) << result.err;
    EXPECT_TRUE(dir.RestartCalls().empty());
    EXPECT_EQ(dir.Flash(), dir.InitialFlash());
    EXPECT_EQ(dir.Read("uiset.ini"), IniText(ini));
}

TEST(RunOutcomeTest, SettingsFileIsRewrittenOnlyWhenItWouldChange) {
    for (const bool normalised : {true, false}) {
        RunDir dir(normalised ? "ini-kept" : "ini-rewritten");
        dir.ConfigureSim("");
        testini::IniValues ini = Unattended();
        if (!normalised) ini.auto_flash = "5";  // read as 1, written back as 1
        dir.Write("uiset.ini", IniText(ini));
        dir.WriteBytes("IMAGE.Bin", Image(4096));
        const auto before = Identity(dir.path() / "uiset.ini");

        const ProcessResult result = dir.RunVantu();
        ASSERT_TRUE(result.exited) << result.err;
        EXPECT_EQ(result.exit_status, 0);
        ini.auto_flash = "1";
        EXPECT_EQ(dir.Read("uiset.ini"), IniText(ini));
        EXPECT_EQ(SameIdentity(Identity(dir.path() / "uiset.ini"), before), normalised);
    }
}

TEST(RunOutcomeTest, LogThatCannotBeWrittenAfterAGoodFlashIsReported) {
    RunDir dir("log-unwritable");
    dir.ConfigureSim("");
    testini::IniValues ini = Unattended();
    ini.shutdown = "1";
    dir.Write("uiset.ini", IniText(ini));
    const std::vector<uint8_t> image = Image(4096);
    dir.WriteBytes("IMAGE.Bin", image);
    std::filesystem::create_directory(dir.path() / "Flash_log.txt");  // nothing can be written there

    const ProcessResult result = dir.RunVantu();
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_TRUE(dir.RestartCalls().empty());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), dir.Flash().begin()));
    EXPECT_TRUE(Contains(result.err, "CheckSum OK!!\n")) << result.err;
    EXPECT_EQ(LastLine(result.err), "Can't write Flash_log.txt!!");
}

TEST(RunOutcomeTest, SettingsFaultsAreNamedNotBlamedOnThePortLibrary) {
    struct Case {
        const char* what;
        std::string binname;
        std::string shutdown;
        std::string told;
    };
    const Case cases[] = {
        {"value after AutoFlash rejected", "IMAGE", "yes",
         "Pls check uiset.ini: value 14 (Shutdown) 'yes' is not a valid integer value"},
        {"BinName too long for one read", std::string(600, 'N'), "1",
         "Pls check uiset.ini: value 13 (BinName) line longer than 499 bytes, later values shifted; "
         "value 14 (Shutdown) '' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        RunDir dir(std::string("settings-fault-") + std::to_string(&c - cases));
        dir.ConfigureSim("");
        testini::IniValues ini = Unattended();
        ini.bin_name = c.binname;
        ini.shutdown = c.shutdown;
        dir.Write("uiset.ini", IniText(ini));
        dir.WriteBytes("IMAGE.Bin", Image(4096));
        dir.Write("Flash_log.txt", kStalePass);

        const ProcessResult result = dir.RunVantu(20);
        ASSERT_TRUE(result.exited) << c.what << result.err;
        EXPECT_EQ(result.exit_status, 1) << c.what;
        EXPECT_EQ(dir.ReadText("Flash_log.txt"), "Fail\n") << c.what;
        EXPECT_EQ(LastLine(result.err), c.told) << c.what;
        EXPECT_FALSE(Contains(result.err, "InpOut32")) << c.what;
        EXPECT_EQ(dir.Read("uiset.ini"), IniText(ini)) << c.what;  // never written back
        EXPECT_EQ(dir.Flash(), dir.InitialFlash()) << c.what;
    }
}

TEST(RunOutcomeTest, WarningBoxOfAnUnattendedRunIsToldAndNeverWaitedForAndASilentOneSkipsIt) {
    for (const char* silent : {"0", "1"}) {
        SCOPED_TRACE(std::string("SilentRun=") + silent);
        RunDir dir(std::string("warning-") + silent);
        dir.ConfigureSim("");
        testini::IniValues ini = Unattended();
        ini.warning_show = "1";
        ini.silent_run = silent;
        dir.Write("uiset.ini", IniText(ini));
        dir.WriteBytes("IMAGE.Bin", Image(4096));

        const ProcessResult result = dir.RunVantu(20);
        ASSERT_TRUE(result.exited) << result.err;
        EXPECT_EQ(result.exit_status, 0);
        EXPECT_EQ(dir.ReadText("Flash_log.txt"), "PASS\n");
        EXPECT_EQ(Contains(result.err,
                           "Don't touch peripheral device or Remove AC power while EC Update processing!!\n"),
                  std::string(silent) == "0");
    }
}

}  // namespace
