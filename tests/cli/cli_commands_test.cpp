// SPDX-License-Identifier: GPL-3.0-or-later
// Each command of the built vantu-cli against the simulated EC: what it reports, what it
// leaves in the flash and in files.

#include <gtest/gtest.h>

#include "cli_dir.h"
#include "sim/sim_device.h"

namespace {

using cli_test::CliDir;
using cli_test::JsonLines;
using cli_test::Pattern;
using cli_test::Sum;

constexpr size_t kChunk = 65536;
constexpr size_t kWinbondCapacity = 4 << 20;  // its ID's third byte, 0x16

TEST(CliProbe, ReportsTheEcTheSuperIoChipTheFlashChipAndTheVersion) {
    CliDir dir("probe");
    dir.Sim("chip=sst-jedec\nchip_id=0x5A3C\nec_space=0x00:0x01,0x01:0x0A");
    const ProcessResult run = dir.Run({"probe"});
    ASSERT_TRUE(run.exited);
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_NE(run.out.find("Super I/O chip ID 5A3C"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("EC answers at data port 3F0, command port 3F4"), std::string::npos);
    EXPECT_NE(run.out.find("running firmware version 1.10"), std::string::npos);
    EXPECT_NE(run.out.find("flash chip BF258EBF"), std::string::npos);
    EXPECT_NE(run.out.find("auto-address-increment word program (AD)"), std::string::npos);
    // Reads only: nothing erased, programmed or written to the status register.
    for (const char* opcode : {"01", "02", "20", "52", "AD", "AF", "D7", "D8"})
        EXPECT_TRUE(dir.SpiLines(opcode).empty()) << opcode;
    EXPECT_EQ(dir.Trace().back(), "END FC");
}

TEST(CliProbe, TakesItsPortsAndVersionSourceFromASettingsFileAndTheOptions) {
    CliDir dir("probe-settings");
    dir.Sim("ec_status_port=0x66\nec_data_port=0x62\nsio_index_port=0x4E\nbram=0x20:0x03,0x21:0x41");
    // Data port 0x62, BRAM, hex display, 4E/4F, bank 0, two bytes from index 0x20, end FE.
    dir.Write("uiset.ini",
              "[Info]\r\nACPI PORT=0x62\r\nFW VERSION SHOW=0\r\nHEX DISPLAY=1\r\nRead Method=1\r\nIO=1\r\n"
              "BRAM BANK=0\r\nRead BYTES=0\r\nBRAM Start index=0x20\r\nFlashEnd CMD=0xFE\r\nAutoFlash=0\r\n"
              "Warring Show=0\r\nSilentRun=0\r\nBinName=EC\r\nShutdown=0\r\nEND");
    const ProcessResult run = dir.Run({"--settings", "uiset.ini", "--json", "probe"});
    ASSERT_EQ(run.exit_status, 0) << run.err;
    const nlohmann::json result = JsonLines(run.out).back();
    EXPECT_EQ(result["data_port"], 0x62);
    EXPECT_EQ(result["command_port"], 0x66);
    EXPECT_EQ(result["ec_answers"], true);
    EXPECT_EQ(result["firmware_version"], "3A");  // BRAM, two bytes, hex display
    EXPECT_EQ(result["superio_chip_id"], "8987");

    // An option wins over the file: the EC is not at 0x3F0 in this simulator.
    const ProcessResult moved = dir.Run({"--settings", "uiset.ini", "--port", "3F0", "probe"});
    EXPECT_EQ(moved.exit_status, 3);
    EXPECT_NE(moved.err.find("no EC answers at data port 3F0"), std::string::npos) << moved.err;
}

TEST(CliRead, WritesTheWholeChipAsItsIdGivesIt) {
    CliDir dir("read");
    dir.Sim("chip=winbond", kWinbondCapacity);
    const ProcessResult run = dir.Run({"--json", "read", "dump.bin"});
    ASSERT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(dir.ReadBytes("dump.bin"), dir.Flash());
    const std::vector<nlohmann::json> lines = JsonLines(run.out);
    EXPECT_EQ(lines.front()["event"], "identified");
    EXPECT_EQ(lines.front()["capacity"], kWinbondCapacity);
    EXPECT_EQ(lines.size(), 1 + 64 + 1u);  // identified, one per chunk, the result
    EXPECT_EQ(lines.back()["bytes"], kWinbondCapacity);
    EXPECT_EQ(lines.back()["sum"], Sum(dir.Flash()));
}

TEST(CliRead, SizeReadsFromAddressZeroAndMustFitTheChip) {
    CliDir dir("read-size");
    dir.Sim("chip=winbond");
    ASSERT_EQ(dir.Run({"read", "--size", "128K", "part.bin"}).exit_status, 0);
    const std::vector<uint8_t> flash = dir.Flash();
    EXPECT_EQ(dir.ReadBytes("part.bin"), std::vector<uint8_t>(flash.begin(), flash.begin() + 2 * kChunk));

    const ProcessResult beyond = dir.Run({"read", "--size", "8M", "big.bin"});
    EXPECT_EQ(beyond.exit_status, 2);
    EXPECT_NE(beyond.err.find("more than the chip holds"), std::string::npos) << beyond.err;
    EXPECT_FALSE(dir.Exists("big.bin"));
}

TEST(CliRead, LegacyChipNeedsASize) {
    CliDir dir("read-legacy");
    dir.Sim("chip=sst-legacy");
    const ProcessResult run = dir.Run({"read", "dump.bin"});
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_NE(run.err.find("give --size"), std::string::npos) << run.err;
    EXPECT_EQ(dir.Run({"read", "--size", "64K", "dump.bin"}).exit_status, 0);
    EXPECT_EQ(dir.ReadBytes("dump.bin").size(), kChunk);
}

TEST(CliRead, AReadCutShortLeavesTheOldFileAsItWas) {
    CliDir dir("read-cut");
    dir.Sim("chip=winbond\nstop_answering_after_commands=5000");
    dir.Write("dump.bin", "old");
    const ProcessResult run = dir.Run({"read", "--size", "64K", "dump.bin"});
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_NE(run.err.find("dump.bin was not written"), std::string::npos) << run.err;
    EXPECT_EQ(dir.Read("dump.bin"), "old");
}

TEST(CliWrite, FlashesEveryChipVariant) {
    for (const sim::ChipProfile& chip : sim::ChipProfiles()) {
        SCOPED_TRACE(chip.name);
        CliDir dir(std::string("write-") + chip.name);
        dir.Sim(std::string("chip=") + chip.name);
        // Three chunks, the last one partial, unless the chip's ID says it holds less.
        const uint8_t size_code = chip.jedec_id[2];
        const size_t capacity = size_code >= 0x10 && size_code <= 0x18 ? size_t{1} << size_code : 16u << 20;
        const std::vector<uint8_t> image = Pattern(std::min(2 * kChunk + 100, capacity - 100), 7);
        const size_t chunks = (image.size() + kChunk - 1) / kChunk;
        dir.WriteBytes("EC.bin", image);
        const ProcessResult run = dir.Run({"--json", "--end-cmd", "FE", "write", "--yes", "EC.bin"});
        ASSERT_TRUE(run.exited);
        EXPECT_EQ(run.exit_status, 0) << run.err;
        const std::vector<uint8_t> flash = dir.Flash();
        EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
        EXPECT_TRUE(std::all_of(flash.begin() + image.size(), flash.begin() + chunks * kChunk,
                                [](uint8_t b) { return b == 0xFF; }));
        const nlohmann::json result = JsonLines(run.out).back();
        EXPECT_EQ(result["outcome"], "passed");
        EXPECT_EQ(result["chunks_written"], chunks);
        EXPECT_NE(result["backup"], nullptr);
        EXPECT_EQ(result["bin_sum"], result["rom_sum"]);
        EXPECT_EQ(dir.Trace().back(), "END FE");
        EXPECT_EQ(dir.RestartCalls(), "");
    }
}

#ifndef _WIN32
// `vantu-cli --json write ... | head -n 1`: output into a pipe nobody reads any more fails, and
// the write goes on to its end; without --end-cmd or --settings it ends with FE.
TEST(CliWrite, AReaderThatGoesAwayEndsNothingHalfWay) {
    CliDir dir("write-reader-gone");
    dir.Sim("chip=winbond");
    const std::vector<uint8_t> image = Pattern(4 * kChunk, 9);
    dir.WriteBytes("EC.bin", image);
    const ProcessResult run = dir.RunReaderGoneAfterLine({"--json", "write", "--yes", "EC.bin"});
    EXPECT_TRUE(run.exited) << "ended by signal " << run.signal << ": " << run.err;
    const std::vector<uint8_t> flash = dir.Flash();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
    EXPECT_EQ(dir.Trace().back(), "END FE");
    EXPECT_FALSE(dir.SpiLines("01").empty());
}
#endif

// FNV-1a, 64 bits: one number for a whole flash file.
uint64_t Digest(const std::vector<uint8_t>& bytes) {
    uint64_t hash = 14695981039346656037u;
    for (uint8_t b : bytes) hash = (hash ^ b) * 1099511628211u;
    return hash;
}

TEST(CliWrite, LeavesTheSameFlashOnLinuxAndWindows) {
    CliDir dir("same-flash");
    dir.Sim("chip=winbond");
    const std::vector<uint8_t> image = Pattern(2 * kChunk + 100, 11);
    dir.WriteBytes("EC.bin", image);
    std::vector<uint8_t> expected = dir.Flash();
    std::copy(image.begin(), image.end(), expected.begin());
    std::fill(expected.begin() + image.size(), expected.begin() + 3 * kChunk, 0xFF);
    const ProcessResult run = dir.Run({"write", "--yes", "--no-backup", "EC.bin"});
    ASSERT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(dir.Flash(), expected);
    // Both builds run this test against the same number: the Windows program under Wine
    // leaves, byte for byte, the flash the Linux one leaves.
    EXPECT_EQ(Digest(dir.Flash()), 13052756300182845704u);
}

TEST(CliVerify, ReportsTheFirstDifferingAddressOfEachChunk) {
    CliDir dir("verify");
    dir.Sim("chip=mx");
    const std::vector<uint8_t> image = Pattern(3 * kChunk, 9);
    dir.WriteBytes("EC.bin", image);
    std::vector<uint8_t> flash = dir.Flash();
    std::copy(image.begin(), image.end(), flash.begin());
    dir.SetFlash(flash);
    const ProcessResult same = dir.Run({"verify", "EC.bin"});
    EXPECT_EQ(same.exit_status, 0) << same.err;
    EXPECT_NE(same.out.find("all 3 chunks match"), std::string::npos);

    flash[kChunk + 0x1234] ^= 0x10;
    flash[kChunk + 0x8000] ^= 0x10;
    flash[2 * kChunk + 5] ^= 0x01;
    dir.SetFlash(flash);
    const ProcessResult differs = dir.Run({"--json", "verify", "EC.bin"});
    EXPECT_EQ(differs.exit_status, 1);
    const nlohmann::json result = JsonLines(differs.out).back();
    EXPECT_EQ(result["differences"], nlohmann::json::parse(R"([{"chunk":1,"address":70196},{"chunk":2,"address":131077}])"));
    EXPECT_EQ(dir.Flash(), flash);  // nothing written
    EXPECT_TRUE(dir.SpiLines("D8").empty());

    const ProcessResult human = dir.Run({"verify", "EC.bin"});
    EXPECT_NE(human.out.find("chunk 1 differs from address 011234 on"), std::string::npos) << human.out;
}

TEST(CliSum, SumsAnImageAsAFlashRunDoesAndTheFlashWithItsDump) {
    CliDir dir("sum");
    dir.Sim("chip=winbond");
    dir.WriteBytes("one.bin", {0x00});
    const ProcessResult image = dir.Run({"--json", "sum", "one.bin"});
    ASSERT_EQ(image.exit_status, 0) << image.err;
    const nlohmann::json result = JsonLines(image.out).back();
    EXPECT_EQ(result["sum"], 16711425u);  // the 0xFF fill of the chunk counts
    EXPECT_EQ(result["sum_text"], "16711425");
    EXPECT_FALSE(dir.Exists("trace.txt"));  // an image sum touches no port

    const ProcessResult rom = dir.Run({"sum", "--rom", "--size", "128K"});
    ASSERT_EQ(rom.exit_status, 0) << rom.err;
    const std::vector<uint8_t> flash = dir.Flash();
    const std::vector<uint8_t> first(flash.begin(), flash.begin() + 2 * kChunk);
    EXPECT_EQ(dir.ReadBytes("LoadRom.bin"), first);
    char expected[32];
    std::snprintf(expected, sizeof expected, "ROM = %i", static_cast<int32_t>(Sum(first)));
    EXPECT_NE(rom.out.find(expected), std::string::npos) << rom.out;
}

}  // namespace
