// SPDX-License-Identifier: GPL-3.0-or-later
// Runs with hostile settings files and without a screen: each ends within seconds, tells
// why on standard error, and leaves no earlier PASS in the log.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "vantu_test_support.h"

namespace {

using testini::IniText;
using vantu_test::kStalePass;
using vantu_test::RunDir;
using vantu_test::Unattended;

constexpr int kQuickly = 15;  // seconds; a run that would block or spin is killed by then

std::vector<uint8_t> Image(size_t size) { return vantu_test::PatternBytes(size, 13); }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(HeadlessRunTest, SettingsWithOtherLineEndsAndBlanksFlashAndPass) {
    testini::IniValues blanks = Unattended();
    blanks.auto_flash = "1 ";
    blanks.silent_run = " 1\t";
    blanks.shutdown = "0 ";
    const std::pair<const char*, std::string> files[] = {
        {"LF alone", IniText(Unattended(), "\n")},
        {"blanks around numbers", IniText(blanks)},
        {"lines after END", IniText(Unattended()) + "\r\nmore=1\r\nAutoFlash=x\n"},
    };
    for (const auto& [what, text] : files) {
        RunDir dir(std::string("line-ends-") + std::to_string(&text - &files[0].second));
        dir.ConfigureSim("");
        dir.Write("uiset.ini", text);
        const std::vector<uint8_t> image = Image(70000);
        dir.WriteBytes("IMAGE.Bin", image);
        dir.Write("Flash_log.txt", "Fail\n");

        const ProcessResult result = dir.RunVantu(45);
        ASSERT_TRUE(result.exited) << what << result.err;
        EXPECT_EQ(result.exit_status, 0) << what << result.err;
        EXPECT_EQ(dir.ReadText("Flash_log.txt"), "PASS\n") << what;
        EXPECT_TRUE(std::equal(image.begin(), image.end(), dir.Flash().begin())) << what;
        // Written back the way this program writes it.
        EXPECT_EQ(dir.Read("uiset.ini"), IniText(Unattended())) << what;
    }
}

TEST(HeadlessRunTest, WithoutAScreenARunThatWouldWaitEndsAtOnce) {
    struct Case {
        const char* what;
        testini::IniValues ini;
        bool platform_named;  // else neither a platform nor a display is named at all
        int status;
        std::string told;
        const char* log;
    };
    testini::IniValues interactive = Unattended();
    interactive.auto_flash = "0";
    testini::IniValues bad_before_auto_flash = Unattended();
    bad_before_auto_flash.start_index = "0x";
    const Case cases[] = {
        {"bad value before AutoFlash", bad_before_auto_flash, true, 2,
         "No screen: uiset.ini stopped at value 8 before AutoFlash, so the window would wait for a person; ended.",
         "Fail\n"},
        {"interactive window", interactive, true, 2,
         "No screen: AutoFlash is not 1, so the window would wait for a person; ended.", kStalePass},
        {"interactive window, no display", interactive, false, 2,
         "No screen: AutoFlash is not 1, so the window would wait for a person; ended.", kStalePass},
        {"unattended, no display", Unattended(), false, 0, "", "PASS\n"},
    };
    for (const Case& c : cases) {
        RunDir dir(std::string("no-screen-") + std::to_string(&c - cases));
        dir.ConfigureSim("");
        dir.Write("uiset.ini", IniText(c.ini));
        dir.WriteBytes("IMAGE.Bin", Image(4096));
        dir.Write("Flash_log.txt", kStalePass);
        RunDir::Options options;
        options.time_limit_s = kQuickly;
        if (!c.platform_named) options.env["QT_QPA_PLATFORM"] = "";

        const ProcessResult result = dir.Run(options);
        ASSERT_TRUE(result.exited) << c.what << (result.timed_out ? " timed out" : "") << result.err;
        EXPECT_EQ(result.exit_status, c.status) << c.what << result.err;
        EXPECT_EQ(dir.ReadText("Flash_log.txt"), c.log) << c.what;
        if (!c.told.empty()) {
            EXPECT_EQ(vantu_test::LastLine(result.err), c.told) << c.what;
        }
        EXPECT_TRUE(dir.Exists("EC_version.txt")) << c.what;
    }
}

TEST(HeadlessRunTest, SettingsFileThatIsNoRegularFileIsRefusedAtOnce) {
    struct Case {
        const char* what;
        std::string told;
    };
    const Case cases[] = {
        {"FIFO", "uiset.ini is a FIFO"},
        {"link to /dev/zero", "uiset.ini is a character device"},
        {"directory", "uiset.ini is a directory"},
    };
    for (const Case& c : cases) {
        RunDir dir(std::string("not-regular-") + std::to_string(&c - cases));
        dir.ConfigureSim("");
        const std::filesystem::path ini = dir.path() / "uiset.ini";
        if (&c == &cases[0]) {
            ASSERT_EQ(::mkfifo(ini.c_str(), 0600), 0);
        } else if (&c == &cases[1]) {
            std::filesystem::create_symlink("/dev/zero", ini);
        } else {
            std::filesystem::create_directory(ini);
        }
        dir.WriteBytes("IMAGE.Bin", Image(4096));
        dir.Write("Flash_log.txt", kStalePass);
        RunDir::Options options;
        options.time_limit_s = kQuickly;

        const ProcessResult result = dir.Run(options);
        ASSERT_TRUE(result.exited) << c.what << (result.timed_out ? " timed out" : "");
        EXPECT_EQ(result.exit_status, 0) << c.what;
        EXPECT_EQ(dir.ReadText("Flash_log.txt"), "Fail\n") << c.what;
        EXPECT_TRUE(Contains(result.err, "ini Load fail,pls check uiset.ini!! " + c.told + "\n"))
            << c.what << ": " << result.err;
        EXPECT_EQ(dir.Flash(), dir.InitialFlash()) << c.what;
    }
}

}  // namespace
