// SPDX-License-Identifier: GPL-3.0-or-later
// Every exit status of the built vantu-cli, and the bad arguments and refusals that lead to
// them. A refusal before the ports reaches no EC: the simulator's trace stays empty.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <optional>

#include "cli_dir.h"
#include "platform/session_lock.h"

namespace {

using cli_test::CliDir;
using cli_test::JsonLines;
using cli_test::Pattern;

struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    const char* says;      // on stderr
    bool reaches_ec;       // the simulator's trace shows a command taken by the EC
};

void RunCases(const std::vector<Case>& cases, const std::string& sim_lines = "chip=winbond") {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CliDir dir(c.name);
        dir.Sim(sim_lines);
        dir.WriteBytes("EC.bin", Pattern(65536, 1));
        dir.WriteBytes("empty.bin", {});
        dir.WriteBytes("two.bin", Pattern(2 * 65536, 1));
        dir.WriteBytes("huge.bin", std::vector<uint8_t>((16 << 20) + 1, 0x11));
        const std::vector<uint8_t> flash = dir.Flash();
        const ProcessResult run = dir.Run(c.args);
        ASSERT_TRUE(run.exited);
        EXPECT_EQ(run.exit_status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_EQ(dir.Exists("trace.txt") && !dir.Trace().empty(), c.reaches_ec);
        // Statuses 2 to 4 promise that nothing was written.
        if (c.status >= 2) {
            EXPECT_EQ(dir.Flash(), flash);
        }
    }
}

TEST(CliExitStatus, BadArgumentsAreUsageErrors) {
    RunCases({
        {"unknown-command", {"frob"}, 2, "unknown command 'frob'", false},
        {"no-command", {}, 2, "A subcommand is required", false},
        {"unknown-option", {"probe", "--frob"}, 2, "--frob", false},
        {"missing-image", {"write", "--yes", "nothere.bin"}, 2, "cannot open the image nothere.bin; check the path", false},
        {"missing-verify-image", {"verify", "nothere.bin"}, 2, "check the path", false},
        {"directory-image", {"verify", "."}, 2, "not a regular file", false},
        {"empty-image", {"write", "--yes", "empty.bin"}, 2, "is empty", false},
        {"size-not-chunks", {"read", "--size", "100K", "x.bin"}, 2, "not a multiple of 64 KB", false},
        {"size-zero", {"read", "--size", "0", "x.bin"}, 2, "not a multiple of 64 KB", false},
        {"port-not-hex", {"--port", "3G0", "probe"}, 2, "not a hexadecimal number", false},
        {"sio-unknown", {"--sio", "3e", "probe"}, 2, "--sio", false},
        {"bank-unknown", {"--bram-bank", "2", "probe"}, 2, "--bram-bank", false},
        {"end-cmd-too-big", {"--end-cmd", "1FE", "probe"}, 2, "more than one byte", false},
        {"settings-missing", {"--settings", "nothere.ini", "probe"}, 2, "cannot read the settings file", false},
        {"log-unwritable", {"--log", "no/such/dir/log.txt", "probe"}, 2, "cannot open the log file", false},
        {"read-unwritable", {"read", "no/such/dir/x.bin"}, 2, "name a file in a writable directory", false},
        {"sum-both", {"sum", "EC.bin", "--rom"}, 2, "either an IMAGE or --rom", false},
        {"sum-neither", {"sum"}, 2, "either an IMAGE or --rom", false},
        {"no-terminal-no-yes", {"write", "EC.bin"}, 2, "add --yes", false},
    });
}

TEST(CliExitStatus, ChecksRefuseBeforeAnyPortAccess) {
    RunCases({
        {"port-zero", {"--port", "0", "probe"}, 3, "EC data port 0 out of range", false},
        {"port-too-high", {"--port", "10000", "write", "--yes", "EC.bin"}, 3, "EC data port 10000 out of range", false},
        {"command-port-too-high", {"--port", "FFFC", "read", "x.bin"}, 3, "EC command port 10000", false},
        {"end-cmd-link-01", {"--end-cmd", "01", "write", "--yes", "EC.bin"}, 3, "follow-mode command", false},
        {"end-cmd-link-05", {"--end-cmd", "0x05", "probe"}, 3, "follow-mode command", false},
        {"image-over-16M", {"write", "--yes", "huge.bin"}, 3, "more than the 16 MiB", false},
    });
}

TEST(CliExitStatus, AnEcThatDoesNotAnswerRefusesTheCommand) {
    RunCases({{"no-follow-mode", {"write", "--yes", "EC.bin"}, 3, "did not enter follow mode (no answer, 33 expected); the end command was sent", true},
              {"no-follow-mode-verify", {"verify", "EC.bin"}, 3, "did not enter follow mode", true}},
             "chip=winbond\nflash_mode_reply=none");
    RunCases({{"no-ec", {"probe"}, 3, "no EC answers at data port 3F0", true}},
             "chip=winbond\nstop_answering_after_commands=0");
}

TEST(CliExitStatus, TheSafetyNetRefusesBeforeAnythingIsErased) {
    // Only status reads, which the trace does not show: no command reaches the EC.
    RunCases({{"ec-absent", {"write", "--yes", "EC.bin"}, 3, "No EC answers at port 03F4", false},
              {"ec-absent-read", {"read", "x.bin"}, 3, "No EC answers at port 03F4", false}},
             "chip=winbond\nec_absent=1");
    // A chip of 64 KB by its ID cannot take an image of two chunks.
    RunCases({{"image-larger-than-chip", {"write", "--yes", "two.bin"}, 3, "larger than the flash chip", true},
              {"verify-larger-than-chip", {"verify", "two.bin"}, 3, "larger than the flash chip", true}},
             "chip=winbond\njedec_id=0xEF4010");

    CliDir dir("lock-held");
    dir.Sim("chip=winbond");
    dir.WriteBytes("EC.bin", Pattern(65536, 1));
    const std::vector<uint8_t> flash = dir.Flash();
    std::optional<SessionLock> held(std::in_place, dir.Path("stubs/vantu.lock"));
    ASSERT_TRUE(held->held());
    const ProcessResult locked = dir.Run({"write", "--yes", "EC.bin"});
    held.reset();
    EXPECT_EQ(locked.exit_status, 3);
    EXPECT_NE(locked.err.find("another program is working with the EC"), std::string::npos) << locked.err;
#ifndef _WIN32
    // Whose lock it met: this test program's.
    EXPECT_NE(locked.err.find("(cli_process_tests, pid " + std::to_string(::getpid()) + ", since "), std::string::npos)
        << locked.err;
#endif
    EXPECT_FALSE(dir.Exists("trace.txt"));
    EXPECT_EQ(dir.Flash(), flash);
}

TEST(CliExitStatus, TheBackupComesFirstUnlessRefused) {
    CliDir dir("backup");
    dir.Sim("chip=gd");  // 1 MiB by its ID
    dir.WriteBytes("EC.bin", Pattern(65536, 2));
    const std::vector<uint8_t> flash = dir.Flash();
    dir.Write("backups", "a file where the folder belongs");
    const ProcessResult refused = dir.Run({"write", "--yes", "EC.bin"});
    EXPECT_EQ(refused.exit_status, 3);
    const std::string separator(1, static_cast<char>(std::filesystem::path::preferred_separator));
    EXPECT_NE(refused.err.find("could not be saved to backups" + separator), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("nothing was erased"), std::string::npos);
    EXPECT_EQ(dir.Flash(), flash);
    EXPECT_TRUE(dir.SpiLines("D8").empty());

    const ProcessResult unsaved = dir.Run({"--json", "write", "--yes", "--no-backup", "EC.bin"});
    EXPECT_EQ(unsaved.exit_status, 0) << unsaved.err;
    EXPECT_EQ(JsonLines(unsaved.out).back()["backup"], nullptr);

    std::filesystem::remove(dir.path() / "backups");
    const ProcessResult saved = dir.Run({"--json", "write", "--yes", "EC.bin"});
    ASSERT_EQ(saved.exit_status, 0) << saved.err;
    const std::string backup = JsonLines(saved.out).back()["backup"];
    const std::vector<uint8_t> after_unsaved = dir.ReadBytes(backup);
    EXPECT_EQ(after_unsaved.size(), 1u << 20);
    EXPECT_NE(saved.out.find("\"backed_up\""), std::string::npos);
}

TEST(CliExitStatus, FailuresOfTheFlashAreStatusOne) {
    RunCases({{"erase-refused", {"write", "--yes", "EC.bin"}, 1, "did not read erased after the erase in chunk 0", true}},
             "chip=winbond\nerase_refused=1");
    RunCases({{"verify-differs", {"verify", "EC.bin"}, 1, "1 of 1 chunks differ", true}});
    RunCases({{"verify-fails", {"write", "--yes", "EC.bin"}, 1, "verify found a differing byte in chunk 0", true}},
             "chip=winbond\nstuck_ones=0x0:0xFF");
}

TEST(CliExitStatus, NoPortAccessIsStatusFour) {
    CliDir dir("no-library");
    const ProcessResult missing = dir.Run({"probe"}, false);
    EXPECT_EQ(missing.exit_status, 4);
    EXPECT_NE(missing.err.find("no port access (see above); nothing was done"), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find("could not be loaded"), std::string::npos);  // the cause, from the port layer
    EXPECT_NE(missing.err.find("Please Check Administrator or InpOut32.DLL !"), std::string::npos);
    EXPECT_TRUE(missing.out.empty()) << missing.out;

    dir.Sim("driver_open=0");
    const ProcessResult refused = dir.Run({"--json", "probe"});
    EXPECT_EQ(refused.exit_status, 4);
    // The library's fixed text stays off standard output, which carries only JSON.
    const std::vector<nlohmann::json> lines = JsonLines(refused.out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["status"], 4);
    EXPECT_NE(refused.err.find("Please Check Administrator or InpOut32.DLL !"), std::string::npos);
}

TEST(CliExitStatus, HelpAndVersionPassAndNameEveryStatus) {
    CliDir dir("help");
    const ProcessResult help = dir.Run({"--help"}, false);
    EXPECT_EQ(help.exit_status, 0);
    for (const char* status : {"  0  passed", "  1  flash or verify failed", "  2  usage error",
                               "  3  refused before anything was written", "  4  no port access"})
        EXPECT_NE(help.out.find(status), std::string::npos) << status;
    const ProcessResult version = dir.Run({"--version"}, false);
    EXPECT_EQ(version.exit_status, 0);
    EXPECT_EQ(version.out.substr(0, version.out.find('\n')), VANTU_VERSION);
    EXPECT_NE(version.out.find("Licence GPL-3.0-or-later"), std::string::npos) << version.out;
}

}  // namespace
