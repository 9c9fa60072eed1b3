// SPDX-License-Identifier: GPL-3.0-or-later
// Every simulated chip through the per-chunk sequence: the identification resolves the
// traits its profile expects, and a full chunk and a partial last chunk over old contents
// end up as the image, 0xFF past its end. The cases are the simulator's profile table.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <set>

#include "hw/hw_fault.h"
#include "spi/chip_id.h"
#include "spi/chunk_state.h"
#include "spi/erase.h"
#include "spi/flash_control.h"
#include "spi/program.h"
#include "spi/verify.h"
#include "spi_test_support.h"

namespace {

using spi_test::PatternBytes;
using spi_test::SimTest;

class AllChipsTest : public SimTest, public ::testing::WithParamInterface<sim::ChipProfile> {};

TEST_P(AllChipsTest, FullAndPartialChunkEndAsTheImage) {
    const sim::ChipProfile& profile = GetParam();
    StartChip(profile.kind);
    const auto flash = device().flash();
    const std::vector<uint8_t> old_contents = PatternBytes(3 * kChunkBytes, 99);
    std::copy(old_contents.begin(), old_contents.end(), flash.begin());
    const std::vector<uint8_t> image = PatternBytes(kChunkBytes + 40000, 1);
    work_.image_bytes = static_cast<uint32_t>(image.size());

    chip_ = SPI_ReadJedecId(ec_);
    EXPECT_EQ(chip_.traits, profile.expected);

    uint32_t chunk_sum = 0;
    for (uint8_t chunk = 0; chunk < 2; ++chunk) {
        SCOPED_TRACE(static_cast<int>(chunk));
        LoadChunk(image, chunk);
        chunk_sum = std::accumulate(chunk_.begin(), chunk_.end(), chunk_sum);
        SPI_Unprotect(ec_, chip_.traits);
        SPI_EraseChunk(ec_, chip_.traits, chunk, 0x00, 0x00);
        EXPECT_TRUE(SPI_BlankCheck(ec_, work_.image_bytes, chunk, 0x00, 0x00));
        SPI_ProgramChunk(ec_, work_, chip_.traits, chunk, 0x00, 0x00);
        EXPECT_TRUE(SPI_Verify(ec_, work_, chunk, 0x00, 0x00));
        SPI_Protect(ec_, chip_.traits);
        SPI_ChunkFixup(ec_, chip_.traits);
        ASSERT_FALSE(ec_.faulted()) << HW_FaultText(ec_.fault());
    }

    std::vector<uint8_t> expected = image;
    expected.resize(2 * kChunkBytes, 0xFF);
    expected.insert(expected.end(), old_contents.begin() + 2 * kChunkBytes, old_contents.end());
    const auto diff = std::mismatch(expected.begin(), expected.end(), flash.begin());
    EXPECT_EQ(diff.first, expected.end()) << "first difference at " << (diff.first - expected.begin());
    EXPECT_EQ(work_.bytes_done, image.size());
    EXPECT_EQ(work_.rom_sum, chunk_sum);
    // Protection is back on, except where the per-chunk fix-up rewrote the status after it.
    EXPECT_EQ((device().chip_status() & 0x0C) == 0x0C, !profile.expected.chunk_fixup);
}

INSTANTIATE_TEST_SUITE_P(Chips, AllChipsTest, ::testing::ValuesIn(sim::ChipProfiles()),
                         [](const ::testing::TestParamInfo<sim::ChipProfile>& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// The profiles cover every variant, so the flash runs above exercise each one.
TEST(AllChipsCoverage, EveryVariantHasASimulatedChip) {
    std::set<EraseKind> erases;
    std::set<ProgramAlgorithm> algorithms;
    bool fixup = false;
    bool write_status_enable = false;
    for (const sim::ChipProfile& profile : sim::ChipProfiles()) {
        erases.insert(profile.expected.erase);
        algorithms.insert(profile.expected.program);
        fixup = fixup || profile.expected.chunk_fixup;
        write_status_enable = write_status_enable || profile.expected.write_status_enable;
    }
    EXPECT_EQ(erases.size(), 4u);
    EXPECT_EQ(algorithms.size(), 4u);
    EXPECT_TRUE(fixup);
    EXPECT_TRUE(write_status_enable);
}

}  // namespace
