// SPDX-License-Identifier: GPL-3.0-or-later
// A chip that never gets ready and an EC that stops answering end every operation promptly,
// with a fault, and without waiting for real.

#include <gtest/gtest.h>

#include <algorithm>

#include "hw/hw_fault.h"
#include "hw/ec_channel.h"
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

constexpr uint32_t kClockStepMs = 100;
const std::string kHeader = "Verify...        : ";
const std::string kFail = " -- Verify Fail. \n";

class BoundsTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        clock_.SetStep(kClockStepMs);
        const std::vector<uint8_t> image = PatternBytes(kChunkBytes, 4);
        LoadChunk(image, 0);
        work_.image_bytes = kChunkBytes;
    }
    // Once faulted, no operation may touch a port or print progress.
    void ExpectEveryOperationEndsAtOnce() {
        device().ResetCounters();
        const std::string before = ProgressText();
        const uint32_t bytes_done = work_.bytes_done;
        const uint32_t rom_sum = work_.rom_sum;
        SPI_Unprotect(ec_, chip_.traits);
        SPI_EraseChunk(ec_, chip_.traits, 0, 0x00, 0x00);
        EXPECT_FALSE(SPI_BlankCheck(ec_, work_.image_bytes, 0, 0x00, 0x00));
        SPI_ProgramChunk(ec_, work_, chip_.traits, 0, 0x00, 0x00);
        EXPECT_FALSE(SPI_Verify(ec_, work_, 0, 0x00, 0x00));
        EXPECT_FALSE(SPI_ReadBackChunk(ec_, 0, 0x00, 0x00, work_.rom_sum, nullptr));
        SPI_Protect(ec_, chip_.traits);
        SPI_ChunkFixup(ec_, chip_.traits);
        EXPECT_EQ(device().counters().total(), 0u);
        EXPECT_EQ(ProgressText().substr(before.size()), kHeader + kFail);
        EXPECT_EQ(work_.bytes_done, bytes_done);
        EXPECT_EQ(work_.rom_sum, rom_sum);
    }
};

TEST_F(BoundsTest, ChipStuckBusyEndsInTheBound) {
    sim::Config config;
    config.chip = sim::ChipKind::Mx;
    config.stuck_busy = true;
    StartDevice(config);
    const uint32_t start = clock_.TickMs();
    SPI_WaitReady(ec_);
    const uint32_t elapsed = clock_.TickMs() - start;
    EXPECT_EQ(ec_.fault(), HwFault::ChipNotReady);
    EXPECT_GT(elapsed, kChipReadyBoundMs);
    EXPECT_LT(elapsed, kChipReadyBoundMs + 10 * kClockStepMs);
    EXPECT_EQ(clock_.sleeps(), 0u);
    ExpectEveryOperationEndsAtOnce();
}

TEST_F(BoundsTest, EcThatStopsAnsweringEndsTheProgramRun) {
    sim::Config config;
    config.chip = sim::ChipKind::SstLegacy;
    config.stop_answering_after_commands = 80000;  // the blank check takes 65536, then ~1000 bytes
    StartDevice(config);
    chip_ = SPI_ReadJedecId(ec_);
    SPI_Unprotect(ec_, chip_.traits);
    SPI_EraseChunk(ec_, chip_.traits, 0, 0x00, 0x00);
    ASSERT_TRUE(SPI_BlankCheck(ec_, work_.image_bytes, 0, 0x00, 0x00)) << "the EC must still answer here";
    SPI_ProgramChunk(ec_, work_, chip_.traits, 0, 0x00, 0x00);
    EXPECT_EQ(ec_.fault(), HwFault::EcNotAnswering);
    EXPECT_GT(work_.bytes_done, 0u);
    EXPECT_LT(work_.bytes_done, kChunkBytes);
    EXPECT_LT(ProgressText().size(), 22u);
    ExpectEveryOperationEndsAtOnce();
}

TEST_F(BoundsTest, EcThatStopsAnsweringEndsTheVerify) {
    sim::Config config;
    config.chip = sim::ChipKind::Winbond;
    config.stop_answering_after_commands = 5000;
    StartDevice(config);
    std::fill(chunk_.begin(), chunk_.end(), 0xFF);  // as erased as the flash, so only the EC can fail it
    work_.rom_sum = 0;
    EXPECT_FALSE(SPI_Verify(ec_, work_, 0, 0x00, 0x00));
    EXPECT_EQ(ec_.fault(), HwFault::EcNotAnswering);
    // Only bytes really read are summed: the flash is erased, so each one adds 0xFF.
    EXPECT_EQ(work_.rom_sum % 0xFF, 0u);
    EXPECT_GT(work_.rom_sum / 0xFF, 4000u);
    EXPECT_LT(work_.rom_sum / 0xFF, 5000u);
    EXPECT_EQ(ProgressText().substr(0, kHeader.size()), kHeader);
    EXPECT_EQ(ProgressText().substr(ProgressText().size() - kFail.size()), kFail);
}

}  // namespace
