// SPDX-License-Identifier: GPL-3.0-or-later
// --json: every line of standard output parses back, every field printed is documented, and
// the events of a write follow the flash run step by step.

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "cli/json_fields.h"
#include "cli_dir.h"

namespace {

using cli_test::CliDir;
using cli_test::JsonLines;
using cli_test::Pattern;

void ExpectDocumented(const std::string& command, const std::vector<nlohmann::json>& lines) {
    ASSERT_FALSE(lines.empty());
    for (const nlohmann::json& object : lines) {
        ASSERT_TRUE(object.is_object());
        ASSERT_TRUE(object.contains("event")) << object;
        for (const auto& [key, value] : object.items())
            EXPECT_TRUE(JsonFieldDocumented(command, object["event"], key)) << command << ": " << object;
    }
    EXPECT_EQ(lines.back()["event"], "result");
    EXPECT_EQ(lines.back()["command"], command);
}

TEST(CliJson, EveryCommandPrintsOnlyDocumentedFieldsAndEndsWithItsResult) {
    CliDir dir("json");
    dir.Sim("chip=gd\nec_space=0x00:0x02,0x01:0x05");
    dir.WriteBytes("EC.bin", Pattern(65536 + 10, 4));
    const std::vector<std::vector<std::string>> commands = {
        {"probe"}, {"read", "--size", "64K", "dump.bin"}, {"write", "--yes", "EC.bin"}, {"verify", "EC.bin"},
        {"sum", "EC.bin"}, {"sum", "--rom", "--size", "64K"},
    };
    for (std::vector<std::string> args : commands) {
        SCOPED_TRACE(args.front());
        const std::string command = args.front();
        args.insert(args.begin(), "--json");
        const ProcessResult run = dir.Run(args);
        EXPECT_EQ(run.exit_status, 0) << run.err;
        const std::vector<nlohmann::json> lines = JsonLines(run.out);
        ExpectDocumented(command, lines);
        EXPECT_EQ(lines.back()["status"], 0);
        EXPECT_TRUE(lines.back()["message"].is_string());
    }
}

TEST(CliJson, WriteEventsFollowTheRunAndEndWithItsSums) {
    CliDir dir("json-write");
    dir.Sim("chip=winbond");
    dir.WriteBytes("EC.bin", Pattern(2 * 65536, 5));
    const ProcessResult run = dir.Run({"--json", "--quiet", "write", "--yes", "EC.bin"});
    ASSERT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.err.find("chunk"), std::string::npos) << run.err;  // --quiet: no progress
    const std::vector<nlohmann::json> lines = JsonLines(run.out);
    std::vector<std::string> events;
    for (const nlohmann::json& line : lines) events.push_back(line["event"]);
    const std::vector<std::string> chunk = {"chunk_started", "erasing", "blank_checking", "programming", "verifying",
                                            "chunk_done"};
    std::vector<std::string> expected = {"follow_mode_entered", "identifying", "run_started", "backed_up"};
    for (int i = 0; i < 2; ++i) expected.insert(expected.end(), chunk.begin(), chunk.end());
    expected.insert(expected.end(), {"verified", "sums_compared", "ended", "result"});
    EXPECT_EQ(events, expected);

    const nlohmann::json& started = lines[2];
    EXPECT_EQ(started["chip_id"], "EF4016EF");
    EXPECT_EQ(started["chunks"], 2);
    EXPECT_EQ(started["image_bytes"], 2 * 65536);
    EXPECT_EQ(lines[4 + 6]["chunk"], 1);  // the second chunk_started
    const std::string backup = lines[3]["backup"];
    EXPECT_EQ(backup.rfind("backups/", 0), 0u) << backup;
    EXPECT_EQ(dir.ReadBytes(backup).size(), 4u << 20);  // the whole chip, as its ID gives it
    const nlohmann::json& result = lines.back();
    EXPECT_EQ(result["bin_sum"], cli_test::Sum(Pattern(2 * 65536, 5)));
    EXPECT_EQ(result["rom_sum"], result["bin_sum"]);
    EXPECT_EQ(result["failing_chunk"], nullptr);
}

TEST(CliJson, AUsageErrorIsAResultObjectToo) {
    CliDir dir("json-usage");
    const ProcessResult run = dir.Run({"--json", "verify", "nothere.bin"}, false);
    EXPECT_EQ(run.exit_status, 2);
    const std::vector<nlohmann::json> lines = JsonLines(run.out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["event"], "result");
    EXPECT_EQ(lines[0]["command"], "verify");
    EXPECT_EQ(lines[0]["status"], 2);
    EXPECT_NE(lines[0]["message"].get<std::string>().find("nothere.bin"), std::string::npos);
}

TEST(CliJson, HostileArgumentsEndInExactlyOneResultObjectWithTheirStatus) {
    CliDir dir("json-hostile");
    dir.Sim("chip=winbond");
    ASSERT_EQ(::mkfifo(dir.Path("fifo").c_str(), 0666), 0);
    const std::string not_utf8 = "\xff\xfe\xc3";
    struct Case {
        std::vector<std::string> args;
        int status;
    };
    const Case cases[] = {
        {{"--port", "-1", "probe"}, 2},
        {{"--sio", "2f", "probe"}, 2},
        {{"--bram-bank", "2", "probe"}, 2},
        {{"--end-cmd", "0x", "probe"}, 2},
        {{"read", "--size", "18446744073709551616", "dump.bin"}, 2},
        {{"sum", "--rom", "--size", "99999999999999999999999"}, 2},
        {{"sum", "--rom", "--size", "16M"}, 2},  // more than the 4 MiB chip: no wrapped copies
        {{"read", "--size", "0x10000", not_utf8 + ".bin"}, 0},
        {{"--settings", not_utf8 + ".ini", "probe"}, 2},
        {{"--log", "fifo", "probe"}, 2},  // no reader: refused at once, no wait
        {{"--bogus" + not_utf8, "probe"}, 2},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back("--json");
        SCOPED_TRACE(testing::PrintToString(args));
        const ProcessResult run = dir.Run(args);
        ASSERT_TRUE(run.exited) << run.err;
        EXPECT_EQ(run.exit_status, c.status) << run.err;
        const std::vector<nlohmann::json> lines = JsonLines(run.out);
        int results = 0;
        for (const nlohmann::json& line : lines) results += line.value("event", "") == "result";
        EXPECT_EQ(results, 1);
        EXPECT_EQ(lines.back().value("event", ""), "result");
        EXPECT_EQ(lines.back().value("status", -1), c.status);
    }
    EXPECT_EQ(dir.ReadBytes(not_utf8 + ".bin").size(), 65536u);
}

TEST(CliJson, TheLogGetsTheProgressAndTheResultButNoJson) {
    CliDir dir("log");
    dir.Sim("chip=winbond");
    dir.WriteBytes("EC.bin", Pattern(65536, 6));
    const ProcessResult run = dir.Run({"--json", "--log", "run.log", "write", "--yes", "EC.bin"});
    ASSERT_EQ(run.exit_status, 0) << run.err;
    const std::string log = dir.Read("run.log");
    EXPECT_NE(log.find("chunk 1/1  programming"), std::string::npos) << log;
    EXPECT_NE(log.find("passed: 1 of 1 chunks written and verified"), std::string::npos);
    EXPECT_NE(log.find("exit status 0"), std::string::npos);
    EXPECT_EQ(log.find('{'), std::string::npos);
}

}  // namespace
