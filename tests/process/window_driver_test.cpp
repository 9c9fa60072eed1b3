// SPDX-License-Identifier: GPL-3.0-or-later
// The Setting tab's checksum and Set buttons pressed in the program's window, each run in a
// directory of its own against the simulated port library: the dump is replaced only by a
// complete read, never through a link; the chip is protected again; a damaged image gives
// no sum; ports that would wrap are never used.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <sstream>

#include "vantu_test_support.h"

namespace {

namespace fs = std::filesystem;
using testini::IniText;
using vantu_test::RunDir;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Bytes(const std::vector<uint8_t>& bytes, size_t count) {
    return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count)};
}

void Prepare(RunDir& dir, const std::string& sim_lines, const testini::IniValues& ini = {}) {
    dir.ConfigureSim(sim_lines + "\ntrace_file=" + (dir.path() / "trace.txt").string());
    dir.Write("uiset.ini", IniText(ini));
}

TEST(WindowDriverTest, RomChecksumNeitherWritesThroughNorReplacesALinkedDump) {
    RunDir dir("rom-link");
    Prepare(dir, "");
    fs::create_directories(dir.path() / "elsewhere");
    dir.Write("elsewhere/kept.bin", "someone else's file");
    fs::create_symlink(dir.path() / "elsewhere" / "kept.bin", dir.path() / "LoadRom.bin");

    const ProcessResult result = dir.RunDriver({"click:romChecksumButton", "show:romChecksumLabel"});
    ASSERT_TRUE(result.exited) << result.err;
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_NE(result.out.find("box: Can't write LoadRom.bin!!"), std::string::npos) << result.out;
    EXPECT_EQ(dir.Read("elsewhere/kept.bin"), "someone else's file");
    EXPECT_TRUE(fs::is_symlink(dir.path() / "LoadRom.bin"));
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"EC_version.txt", "LoadRom.bin", "elsewhere", "trace.txt"}));
}

TEST(WindowDriverTest, FailedRomReadLeavesTheEarlierDumpByteIdentical) {
    struct Case {
        const char* what;
        const char* sim;
        const char* box;
    };
    const Case cases[] = {
        {"follow mode refused", "flash_mode_reply=0x5A", "box: EC ACK Fail !"},
        {"EC stops answering", "stop_answering_after_commands=3000", "box: EC not answering, time-out!!"},
    };
    for (const Case& c : cases) {
        RunDir dir(std::string("rom-fail-") + std::to_string(&c - cases));
        Prepare(dir, c.sim);
        const std::vector<uint8_t> earlier = vantu_test::PatternBytes(2 * 65536, 77);
        dir.WriteBytes("LoadRom.bin", earlier);

        const ProcessResult result = dir.RunDriver({"click:romChecksumButton", "show:romChecksumLabel"});
        ASSERT_TRUE(result.exited) << c.what << result.err;
        EXPECT_NE(result.out.find(c.box), std::string::npos) << c.what << result.out;
        EXPECT_NE(result.out.find("romChecksumLabel=0000\n"), std::string::npos) << c.what << result.out;
        EXPECT_EQ(dir.Read("LoadRom.bin"), Bytes(earlier, earlier.size())) << c.what;
        EXPECT_EQ(dir.Names(), (std::vector<std::string>{"EC_version.txt", "LoadRom.bin", "trace.txt"})) << c.what;
    }
}

// The trace shows every status write: protection goes off before the read-back and is back
// on before the end command releases the EC.
TEST(WindowDriverTest, RomChecksumLeavesTheChipProtected) {
    RunDir dir("rom-protect");
    Prepare(dir, "initial_status=0x00");
    const ProcessResult result = dir.RunDriver({"click:romChecksumButton"});
    ASSERT_TRUE(result.exited) << result.err;
    std::vector<std::string> status_writes;
    bool ended = false;
    for (const std::string& line : Lines(dir.Read("trace.txt"))) {
        if (line.rfind("SPI 01 ", 0) == 0) status_writes.push_back(line.substr(line.find('>') + 2));
        if (line == "END FC") ended = true;
        if (ended) break;
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(status_writes, (std::vector<std::string>{"00", "0C"}));
}

TEST(WindowDriverTest, BinChecksumOfAnImageNotReadWholeShowsNoSum) {
    RunDir dir("bin-read-error");
    Prepare(dir, "");
    dir.WriteBytes("IMAGE.Bin", std::vector<uint8_t>(3 * 65536, 0x11));
    ASSERT_EQ(::mkfifo((dir.path() / "FIFO.Bin").c_str(), 0600), 0);
    struct Case {
        std::vector<std::string> args;
        std::string box;
        std::string shown;
    };
    const Case cases[] = {
        {{"set:filePathLabel=IMAGE.Bin"}, "", "binChecksumLabel=" + std::to_string(3 * 65536 * 0x11)},
        {{"--image-read-fails-at=65536", "set:filePathLabel=IMAGE.Bin"}, "box: Bin file read error!!\n",
         "binChecksumLabel=0000"},
        {{"--image-read-fails-at=131072", "set:filePathLabel=IMAGE.Bin"}, "box: Bin file read error!!\n",
         "binChecksumLabel=0000"},
        {{"set:filePathLabel=FIFO.Bin"}, "box: Bin file is not a regular file, not read!!\n", "binChecksumLabel=0000"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"click:binChecksumButton", "show:binChecksumLabel"});
        const ProcessResult result = dir.RunDriver(args, 20);
        ASSERT_TRUE(result.exited) << c.shown << result.err;
        EXPECT_EQ(result.out, c.box + c.shown + "\n") << args.front();
    }
}

// The EC sits where ACPI PORT 0xFFFC lands once cut to 16 bits: neither the ports taken at
// start nor the same ports set again with the Set button ever reach it.
TEST(WindowDriverTest, PortsOutOfRangeAreNeverUsed) {
    RunDir dir("ports-set");
    testini::IniValues ini;
    ini.acpi_port = "0xFFFC";
    ini.fw_version_show = "1";
    Prepare(dir, "ec_status_port=0x0000\nec_data_port=0xFFFC", ini);
    const ProcessResult result = dir.RunDriver({"click:romChecksumButton", "set:cmdPortEdit=10000",
                                                "set:dataPortEdit=FFFC", "click:portsSetButton",
                                                "click:romChecksumButton"});
    ASSERT_TRUE(result.exited) << result.err;
    const std::string refusal = "box: EC CMD port 10000 out of range (1 to FFFF), pls check ACPI PORT!!\n";
    EXPECT_EQ(result.out, refusal + refusal + refusal + refusal);  // start, ROM, Set, ROM
    EXPECT_EQ(dir.Read("trace.txt"), "");
    EXPECT_FALSE(dir.Exists("LoadRom.bin"));
    EXPECT_EQ(dir.ReadText("EC_version.txt"), "00000\n");
}

}  // namespace
