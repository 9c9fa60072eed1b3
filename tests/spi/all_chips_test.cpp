// Every simulated chip through the per-chunk sequence: a full chunk and a partial last
// chunk over old contents end up as the image, 0xFF past its end.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

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

struct ChipCase {
    sim::ChipKind chip;
    ProgramAlgorithm algorithm;
    EraseKind erase;
};

class AllChipsTest : public SimTest, public ::testing::WithParamInterface<ChipCase> {};

TEST_P(AllChipsTest, FullAndPartialChunkEndAsTheImage) {
    const ChipCase& c = GetParam();
    StartChip(c.chip);
    const auto flash = device().flash();
    const std::vector<uint8_t> old_contents = PatternBytes(3 * kChunkBytes, 99);
    std::copy(old_contents.begin(), old_contents.end(), flash.begin());
    const std::vector<uint8_t> image = PatternBytes(kChunkBytes + 40000, 1);
    g_FileSize = static_cast<uint32_t>(image.size());

    SPI_ReadJedecId();
    const ChipIdState id = CurrentChipIdState();
    EXPECT_EQ(SelectProgramAlgorithm(id), c.algorithm);
    EXPECT_EQ(SelectEraseKind(id), c.erase);

    uint32_t chunk_sum = 0;
    for (uint8_t chunk = 0; chunk < 2; ++chunk) {
        SCOPED_TRACE(static_cast<int>(chunk));
        LoadChunk(image, chunk);
        chunk_sum = std::accumulate(low_.begin(), low_.end(), chunk_sum);
        chunk_sum = std::accumulate(high_.begin(), high_.end(), chunk_sum);
        SPI_Unprotect();
        SPI_EraseChunk(chunk, 0x00, 0x00);
        EXPECT_TRUE(SPI_BlankCheck(chunk, 0x00, 0x00));
        SPI_ProgramChunk(chunk, 0x00, 0x00);
        EXPECT_TRUE(SPI_Verify(chunk, 0x00, 0x00));
        SPI_Protect();
        SPI_ChunkFixup();
        ASSERT_FALSE(HW_Faulted()) << HW_FaultText(g_HwFault);
    }

    std::vector<uint8_t> expected = image;
    expected.resize(2 * kChunkBytes, 0xFF);
    expected.insert(expected.end(), old_contents.begin() + 2 * kChunkBytes, old_contents.end());
    const auto diff = std::mismatch(expected.begin(), expected.end(), flash.begin());
    EXPECT_EQ(diff.first, expected.end()) << "first difference at " << (diff.first - expected.begin());
    EXPECT_EQ(g_BytesDone, image.size());
    EXPECT_EQ(g_RomSum, chunk_sum);
    // Protection is back on, except where the per-chunk fix-up rewrote the status after it.
    EXPECT_EQ((device().chip_status() & 0x0C) == 0x0C, !NeedsChunkFixup(id));
}

INSTANTIATE_TEST_SUITE_P(
    Chips, AllChipsTest,
    ::testing::Values(ChipCase{sim::ChipKind::SstJedec, ProgramAlgorithm::AaiWord, EraseKind::BlockD8Pair},
                      ChipCase{sim::ChipKind::SstLegacy, ProgramAlgorithm::AaiByte, EraseKind::Block52Pair},
                      ChipCase{sim::ChipKind::Mx32Pieces, ProgramAlgorithm::Page32, EraseKind::BlockD8Pair},
                      ChipCase{sim::ChipKind::Mx, ProgramAlgorithm::Page256, EraseKind::BlockD8Pair},
                      ChipCase{sim::ChipKind::Gd, ProgramAlgorithm::Page256, EraseKind::BlockD8Pair},
                      ChipCase{sim::ChipKind::AllFF, ProgramAlgorithm::AaiWord, EraseKind::Sector1K_D7},
                      ChipCase{sim::ChipKind::Winbond, ProgramAlgorithm::Page256, EraseKind::BlockD8Pair},
                      ChipCase{sim::ChipKind::LegacyOther, ProgramAlgorithm::Page256, EraseKind::BlockD8Triple}),
    [](const ::testing::TestParamInfo<ChipCase>& info) {
        std::string name = sim::ProfileOf(info.param.chip).name;
        std::replace(name.begin(), name.end(), '-', '_');
        return name;
    });

TEST(AllChipsCoverage, EverySimulatedChipIsInTheList) {
    EXPECT_EQ(sim::ChipProfiles().size(), 8u);
}

}  // namespace
