// Every exit status of the built vantu-cli, and the bad arguments and refusals that lead to
// them. A refusal touches no port: the simulator is never called, so it writes no trace.

#include <gtest/gtest.h>

#include "cli_dir.h"

namespace {

using cli_test::CliDir;
using cli_test::JsonLines;
using cli_test::Pattern;

struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    const char* says;      // on stderr
    bool reaches_ports;    // the simulator sees any port access
};

void RunCases(const std::vector<Case>& cases, const std::string& sim_lines = "chip=winbond") {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CliDir dir(c.name);
        dir.Sim(sim_lines);
        dir.WriteBytes("EC.bin", Pattern(65536, 1));
        dir.WriteBytes("empty.bin", {});
        dir.WriteBytes("huge.bin", std::vector<uint8_t>((16 << 20) + 1, 0x11));
        const std::vector<uint8_t> flash = dir.Flash();
        const ProcessResult run = dir.Run(c.args);
        ASSERT_TRUE(run.exited);
        EXPECT_EQ(run.exit_status, c.status) << run.err;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_EQ(dir.Exists("trace.txt") && !dir.Trace().empty(), c.reaches_ports);
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
        {"missing-image", {"write", "--yes", "nothere.bin"}, 2, "cannot open the image nothere.bin", false},
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
    RunCases({{"no-follow-mode", {"write", "--yes", "EC.bin"}, 3, "did not enter follow mode (answer", true},
              {"no-follow-mode-verify", {"verify", "EC.bin"}, 3, "did not enter follow mode", true}},
             "chip=winbond\nflash_mode_reply=none");
    RunCases({{"no-ec", {"probe"}, 3, "no EC answers at data port 3F0", true}},
             "chip=winbond\nstop_answering_after_commands=0");
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
    EXPECT_NE(missing.err.find("no port access: run as root"), std::string::npos) << missing.err;

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
    EXPECT_EQ(version.out, std::string(VANTU_VERSION) + "\n");
}

}  // namespace
