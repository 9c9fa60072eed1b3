// SPDX-License-Identifier: GPL-3.0-or-later
// Verify and read-back: the progress line, where a mismatch stops, the ROM sum, the dump.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>

#include <unistd.h>

#include "spi/chunk_state.h"
#include "spi/verify.h"
#include "spi_test_support.h"

namespace {

namespace fs = std::filesystem;
using spi_test::kReady;
using spi_test::PatternBytes;
using spi_test::SimTest;

const std::string kHeader = "Verify...        : ";
const std::string kOk = " -- Verify OK. \n";
const std::string kFail = " -- Verify Fail. \n";

uint32_t Sum(std::span<const uint8_t> bytes) { return std::accumulate(bytes.begin(), bytes.end(), 0u); }

class VerifyTest : public SimTest {
protected:
    // Chunk 2 of the flash holds `contents`, and so do the halves.
    void PlaceChunk(const std::vector<uint8_t>& contents) {
        StartChip(sim::ChipKind::Winbond);
        std::copy(contents.begin(), contents.end(), device().flash().begin() + 2 * kChunkBytes);
        LoadChunk(contents, 0);
        Trace();
    }
};

TEST_F(VerifyTest, ReportsAndSumsUpToTheFirstMismatch) {
    struct Case {
        const char* name;
        bool all_ff;
        int mismatch;  // chunk offset, -1 for none
        std::string output;
        size_t bytes_read;
    };
    const Case cases[] = {
        {"whole chunk matches", false, -1, kHeader + std::string(22, '\xDB') + kOk, 65536},
        {"erased chunk matches", true, -1, kHeader + std::string(22, '\xDB') + kOk, 65536},
        {"first byte differs", false, 0, kHeader + kFail, 1},
        {"pos 3276 of the high half differs", false, 0x8000 + 3276, kHeader + std::string(12, '\xDB') + kFail,
         0x8000 + 3277},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> flash = c.all_ff ? std::vector<uint8_t>(kChunkBytes, 0xFF)
                                                    : PatternBytes(kChunkBytes, 21);
        PlaceChunk(flash);
        if (c.mismatch >= 0) {
            uint8_t& expected = chunk_[c.mismatch];
            expected ^= 0x5A;
        }
        const std::string before = ProgressText();
        const uint32_t sum_before = 0xFFFFFF00u;  // the sum carries on and wraps
        work_.rom_sum = sum_before;

        EXPECT_EQ(SPI_Verify(ec_, work_, 2, 0x00, 0x00), c.mismatch < 0);

        EXPECT_EQ(ProgressText().substr(before.size()), c.output);
        // The differing byte is summed too, nothing after it is read.
        EXPECT_EQ(work_.rom_sum, sum_before + Sum(std::span(flash).first(c.bytes_read)));
        const auto reads = Transactions(0x0B);
        ASSERT_EQ(reads.size(), 1u);
        EXPECT_EQ(reads[0].out, (std::vector<uint8_t>{0x0B, 0x02, 0x00, 0x00, 0x00}));
        EXPECT_EQ(reads[0].in.size(), c.bytes_read);
        const std::string ops = TracedOps();
        EXPECT_EQ(ops.substr(ops.size() - kReady.size() - 2), "R " + kReady);
    }
}

class ReadBackTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        previous_dir_ = fs::current_path();
        dir_ = fs::temp_directory_path() / ("vantu_readback_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::current_path(dir_);
        StartChip(sim::ChipKind::Winbond);
        contents_ = PatternBytes(2 * kChunkBytes, 9);
        std::fill(contents_.begin() + 100, contents_.begin() + 200, 0x00);  // zeros are dumped too
        std::copy(contents_.begin(), contents_.end(), device().flash().begin());
    }
    void TearDown() override {
        fs::current_path(previous_dir_);
        fs::remove_all(dir_);
        SimTest::TearDown();
    }

    fs::path previous_dir_;
    fs::path dir_;
    std::vector<uint8_t> contents_;
};

TEST_F(ReadBackTest, SumsEveryByteAndWritesNoFileWhileTheDumpIsClosed) {
    uint32_t sum = 0;
    EXPECT_TRUE(SPI_ReadBackChunk(ec_, 1, 0x00, 0x00, sum, nullptr));
    EXPECT_EQ(sum, Sum(std::span(contents_).subspan(kChunkBytes)));
    EXPECT_FALSE(fs::exists(dir_ / "LoadRom.bin"));
}

TEST_F(ReadBackTest, DumpHoldsTheChunksInTheOrderRead) {
    std::FILE* dump = std::tmpfile();
    ASSERT_NE(dump, nullptr);
    uint32_t sum = 0;
    EXPECT_TRUE(SPI_ReadBackChunk(ec_, 0, 0x00, 0x00, sum, dump));
    EXPECT_TRUE(SPI_ReadBackChunk(ec_, 1, 0x00, 0x00, sum, dump));
    std::rewind(dump);
    std::vector<uint8_t> dumped(contents_.size() + 1);
    dumped.resize(std::fread(dumped.data(), 1, dumped.size(), dump));
    std::fclose(dump);
    EXPECT_EQ(dumped, contents_);
    EXPECT_EQ(sum, Sum(contents_));
}

}  // namespace
