// SPDX-License-Identifier: GPL-3.0-or-later
// write --only-changed through the built program: the simulator's trace shows which chunks
// were erased and programmed.

#include <gtest/gtest.h>

#include <set>

#include "cli_dir.h"

namespace {

using cli_test::CliDir;
using cli_test::JsonLines;
using cli_test::Pattern;

constexpr size_t kChunk = 65536;

// The chunk index (first address byte) of every trace line of these opcodes.
std::set<int> ChunksOf(const CliDir& dir, std::initializer_list<const char*> opcodes) {
    std::set<int> chunks;
    for (const char* opcode : opcodes)
        for (const std::string& line : dir.SpiLines(opcode)) {
            const size_t bytes = line.find("> ");
            if (bytes != std::string::npos) chunks.insert(std::stoi(line.substr(bytes + 2, 2), nullptr, 16));
        }
    return chunks;
}

TEST(CliOnlyChanged, ErasesAndProgramsOnlyTheChunksThatDiffer) {
    struct Case {
        const char* name;
        std::set<int> changed;
        const char* says;
    };
    const Case cases[] = {
        {"none", {}, "passed: nothing was written, all 4 chunks already held the image"},
        {"one", {2}, "passed: 1 of 4 chunks written and verified, 3 already held the image"},
        {"all", {0, 1, 2, 3}, "passed: 4 of 4 chunks written and verified"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CliDir dir(std::string("only-changed-") + c.name);
        dir.Sim("chip=winbond");
        const std::vector<uint8_t> image = Pattern(4 * kChunk, 3);
        dir.WriteBytes("EC.bin", image);
        std::vector<uint8_t> flash = dir.Flash();
        std::copy(image.begin(), image.end(), flash.begin());
        for (int chunk : c.changed) flash[chunk * kChunk + 4321] ^= 0x80;
        dir.SetFlash(flash);

        const ProcessResult run = dir.Run({"--json", "write", "--yes", "--only-changed", "EC.bin"});
        ASSERT_EQ(run.exit_status, 0) << run.err;
        EXPECT_EQ(ChunksOf(dir, {"D8", "52", "D7"}), c.changed);
        EXPECT_EQ(ChunksOf(dir, {"02", "AD", "AF"}), c.changed);
        // One read of the chip (4 MiB by its ID) serves the backup and the comparison; only a
        // written chunk is read again, by its blank check and its verify.
        EXPECT_EQ(dir.SpiLines("0B").size(), 64 + 2 * c.changed.size());
        const std::vector<uint8_t> after = dir.Flash();
        EXPECT_TRUE(std::equal(image.begin(), image.end(), after.begin()));

        const nlohmann::json result = JsonLines(run.out).back();
        EXPECT_EQ(result["message"], c.says);
        EXPECT_EQ(result["chunks_written"], c.changed.size());
        EXPECT_EQ(result["chunks_unchanged"], 4 - c.changed.size());
        EXPECT_EQ(result["bin_sum"], result["rom_sum"]);
        EXPECT_EQ(dir.Trace().back(), "END FE");  // released with the default end command
    }
}

}  // namespace
