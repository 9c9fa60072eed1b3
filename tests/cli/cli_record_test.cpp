// SPDX-License-Identifier: GPL-3.0-or-later
// The rehearsal and the port record of the built vantu-cli against the simulated EC: a dry
// run changes nothing, a record replays to the same run, and the records kept in the source
// tree replay with their own arguments and status.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli_dir.h"
#include "hw/port_record.h"

namespace {

using cli_test::CliDir;
using cli_test::JsonLines;

constexpr size_t kChunk = 65536;
// Four chunks, so that a plan has unchanged chunks around the changed ones.
constexpr const char* kSmallChip = "chip=winbond\njedec_id=0xEF4012";
constexpr size_t kSmallChipBytes = 4 * kChunk;

TEST(CliDryRun, PlansExactlyTheDifferingChunksAndSendsNothingThatChangesTheChip) {
    CliDir dir("dry-run");
    dir.Sim(kSmallChip, kSmallChipBytes);
    const std::vector<uint8_t> before = dir.Flash();
    std::vector<uint8_t> image = before;
    image[1 * kChunk + 7] ^= 0x01;
    image[3 * kChunk] ^= 0xFF;
    dir.WriteBytes("EC.bin", image);

    const ProcessResult run = dir.Run({"--json", "write", "--dry-run", "EC.bin"});
    ASSERT_EQ(run.exit_status, 0) << run.err;
    const nlohmann::json result = JsonLines(run.out).back();
    EXPECT_EQ(result["chunks_to_write"], nlohmann::json({1, 3}));
    EXPECT_EQ(result["chunks_unchanged"], 2);
    EXPECT_EQ(result["bytes_to_write"], 2 * kChunk);
    EXPECT_GT(result["estimated_seconds"].get<double>(), 0.0);
    EXPECT_EQ(dir.Flash(), before);
    // No write enable, status write, program or erase of any kind; the end command is sent.
    for (const char* opcode : {"06", "50", "01", "02", "AD", "AF", "20", "52", "D7", "D8", "C7"})
        EXPECT_TRUE(dir.SpiLines(opcode).empty()) << opcode;
    EXPECT_EQ(dir.Trace().back(), "END FE");
}

struct RecordCase {
    const char* name;
    const char* sim;                  // added to the small chip's configuration
    std::vector<std::string> args;
    size_t image_chunks;              // EC.bin: the flash with its second byte changed
    int exit_status;
};

TEST(CliRecord, ReplayGivesTheSameOutputStatusAndFlash) {
    const RecordCase cases[] = {
        {"probe", "", {"probe"}, 0, 0},
        {"dry-run", "", {"write", "--dry-run", "EC.bin"}, 4, 0},
        {"write", "", {"write", "--yes", "--no-backup", "EC.bin"}, 2, 0},
        {"verify-fails", "stuck_ones=0x1:0x01", {"write", "--yes", "--no-backup", "EC.bin"}, 2, 1},
        {"refused", "", {"write", "--yes", "EC.bin"}, 5, 3},
    };
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.name);
        CliDir dir(std::string("record-") + c.name);
        dir.Sim(std::string(kSmallChip) + "\n" + c.sim, kSmallChipBytes);
        const std::vector<uint8_t> initial = dir.Flash();
        std::vector<uint8_t> image(c.image_chunks * kChunk, 0x00);
        std::copy_n(initial.begin(), std::min(image.size(), initial.size()), image.begin());
        if (!image.empty()) image[1] = static_cast<uint8_t>(~image[1] & 0xFE);  // programmable from erased
        dir.WriteBytes("EC.bin", image);

        std::vector<std::string> recorded = c.args;
        recorded.insert(recorded.begin(), {"--record", "run.rec"});
        const ProcessResult first = dir.Run(recorded);
        ASSERT_EQ(first.exit_status, c.exit_status) << first.err;
        const std::vector<uint8_t> after_first = dir.Flash();

        dir.SetFlash(initial);
        dir.Write("sim.conf", dir.Read("sim.conf") + "replay=" + dir.Path("run.rec") + "\n");
        const ProcessResult replayed = dir.Run(c.args);
        EXPECT_EQ(replayed.exit_status, first.exit_status) << replayed.err;
        EXPECT_EQ(replayed.out, first.out);
        EXPECT_EQ(replayed.err.find("replay stopped"), std::string::npos) << replayed.err;
        EXPECT_EQ(dir.Flash(), after_first);
    }
}

// A record a technician sent in, with the files its arguments name in a directory of the
// record's name beside it, replays to its own exit status.
TEST(KeptRecords, ReplayWithTheirOwnArgumentsAndStatus) {
    namespace fs = std::filesystem;
    int replayed = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(RECORDS_DIR)) {
        if (entry.path().extension() != ".rec") continue;
        SCOPED_TRACE(entry.path().string());
        PortRecordReader record;
        std::string error;
        ASSERT_TRUE(record.OpenFile(entry.path().string(), error)) << error;
        const std::vector<std::string> statuses = record.HeaderValues("exit status");
        ASSERT_EQ(statuses.size(), 1u);

        CliDir dir("kept-" + entry.path().stem().string());
        const fs::path files = entry.path().parent_path() / entry.path().stem();
        if (fs::is_directory(files)) {
            for (const fs::directory_entry& file : fs::directory_iterator(files))
                fs::copy_file(file.path(), dir.path() / file.path().filename());
        }
        dir.Write("sim.conf", "flash_file=" + dir.Path("flash.img") + "\nreplay=" + entry.path().string() + "\n");
        const ProcessResult run = dir.Run(record.HeaderValues("argument"));
        EXPECT_EQ(std::to_string(run.exit_status), statuses.front()) << run.err;
        EXPECT_EQ(run.err.find("replay stopped"), std::string::npos) << run.err;
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}

}  // namespace
