// SPDX-License-Identifier: GPL-3.0-or-later
// Erase variants by chip and the blank check's reach within the chunk.

#include <gtest/gtest.h>

#include <algorithm>

#include "spi/chip_id.h"
#include "spi/chunk_state.h"
#include "spi/erase.h"
#include "spi/flash_control.h"
#include "spi_test_support.h"

namespace {

using spi_test::kReady;
using spi_test::SimTest;

class EraseTest : public SimTest {};

struct EraseCommand {
    uint8_t opcode;
    uint8_t middle;
    bool operator==(const EraseCommand&) const = default;
};

std::vector<EraseCommand> Pair(uint8_t opcode) { return {{opcode, 0x00}, {opcode, 0x80}}; }

TEST_F(EraseTest, EachChipGetsItsEraseCommands) {
    std::vector<EraseCommand> sectors;
    for (int i = 0; i < 64; ++i) sectors.push_back({0xD7, static_cast<uint8_t>(4 * i)});
    const std::pair<sim::ChipKind, std::vector<EraseCommand>> cases[] = {
        {sim::ChipKind::AllFF, sectors},
        {sim::ChipKind::SstLegacy, Pair(0x52)},
        {sim::ChipKind::LegacyOther, {{0xD8, 0x00}, {0xD8, 0x80}, {0xD8, 0x80}}},
        {sim::ChipKind::SstJedec, Pair(0xD8)},
        {sim::ChipKind::Mx32Pieces, Pair(0xD8)},
        {sim::ChipKind::Mx, Pair(0xD8)},
        {sim::ChipKind::Gd, Pair(0xD8)},
        {sim::ChipKind::Winbond, Pair(0xD8)},
    };
    for (const auto& [kind, expected] : cases) {
        SCOPED_TRACE(sim::ProfileOf(kind).name);
        StartChip(kind);
        auto flash = device().flash();
        std::fill(flash.begin() + 2 * kChunkBytes, flash.begin() + 5 * kChunkBytes, 0x00);
        chip_ = SPI_ReadJedecId(ec_);
        SPI_Unprotect(ec_, chip_.traits);
        Trace();
        SPI_EraseChunk(ec_, chip_.traits, 3, 0x00, 0x00);
        std::vector<EraseCommand> sent;
        for (const sim::SpiTransaction& t : device().spi_trace()) {
            const uint8_t opcode = t.out.empty() ? 0 : t.out[0];
            if (opcode != 0xD7 && opcode != 0xD8 && opcode != 0x52) continue;
            ASSERT_EQ(t.out.size(), 4u);
            EXPECT_EQ(t.out[1], 3);
            EXPECT_EQ(t.out[3], 0x00);
            sent.push_back({opcode, t.out[2]});
        }
        EXPECT_EQ(sent, expected);
        // The chunk really is erased, and its neighbours are not.
        const auto erased = [](uint8_t b) { return b == 0xFF; };
        EXPECT_TRUE(std::all_of(flash.begin() + 3 * kChunkBytes, flash.begin() + 4 * kChunkBytes, erased));
        EXPECT_TRUE(std::none_of(flash.begin() + 2 * kChunkBytes, flash.begin() + 3 * kChunkBytes, erased));
        EXPECT_TRUE(std::none_of(flash.begin() + 4 * kChunkBytes, flash.begin() + 5 * kChunkBytes, erased));
    }
}

TEST_F(EraseTest, EverySectorEraseIsWriteEnabledAndAwaited) {
    StartChip(sim::ChipKind::AllFF);
    chip_ = SPI_ReadJedecId(ec_);
    Trace();
    SPI_EraseChunk(ec_, chip_.traits, 0, 0x00, 0x00);
    std::string expected;
    for (int i = 0; i < 64; ++i) {
        char middle[3];
        std::snprintf(middle, sizeof middle, "%02X", 4 * i);
        if (i > 0) expected += ' ';
        expected += kReady + " S O06 S O05 poll D S OD7 W00 W" + middle + " W00 D " + kReady;
    }
    EXPECT_EQ(TracedOps(), expected);
}

TEST_F(EraseTest, BlankCheckReadsOnlyTheImagePartOfTheChunk) {
    struct Case {
        const char* name;
        uint32_t file_size;
        uint8_t chunk;
        size_t bytes_read;
    };
    const Case cases[] = {
        {"100 KB image, first chunk", 102400, 0, 65536},
        {"100 KB image, last chunk stops before the image end", 102400, 1, 36864},
        {"three whole chunks, last chunk", 3 * 65536, 2, 65536},
        {"image ending before the chunk: whole chunk", 0x100, 1, 65536},
    };
    StartChip(sim::ChipKind::Winbond);
    std::fill(device().flash().begin(), device().flash().begin() + 3 * kChunkBytes, 0xFF);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        work_.image_bytes = c.file_size;
        Trace();
        EXPECT_TRUE(SPI_BlankCheck(ec_, work_.image_bytes, c.chunk, 0x00, 0x00));
        const auto reads = Transactions(0x0B);
        ASSERT_EQ(reads.size(), 1u);
        EXPECT_EQ(reads[0].out, (std::vector<uint8_t>{0x0B, c.chunk, 0x00, 0x00, 0x00}));
        EXPECT_EQ(reads[0].in.size(), c.bytes_read);
    }
}

TEST_F(EraseTest, BlankCheckFailsAtTheFirstByteThatIsNotErased) {
    struct Case {
        const char* name;
        uint32_t bad_offset;
        uint8_t bad_value;
        bool blank;
        size_t bytes_read;
    };
    const Case cases[] = {
        {"first byte 0x7F", 0, 0x7F, false, 1},
        {"last byte of the chunk", 0xFFFF, 0xFE, false, 65536},
        {"old data past the image end is not looked at", 40000, 0x00, true, 39999},
    };
    StartChip(sim::ChipKind::Winbond);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::fill(device().flash().begin(), device().flash().begin() + 2 * kChunkBytes, 0xFF);
        device().flash()[kChunkBytes + c.bad_offset] = c.bad_value;
        work_.image_bytes = c.blank ? kChunkBytes + 39999 : 4 * kChunkBytes;
        Trace();
        EXPECT_EQ(SPI_BlankCheck(ec_, work_.image_bytes, 1, 0x00, 0x00), c.blank);
        const auto reads = Transactions(0x0B);
        ASSERT_EQ(reads.size(), 1u);
        EXPECT_EQ(reads[0].in.size(), c.bytes_read);
        // The read is ended by a ready wait.
        const std::string ops = TracedOps();
        EXPECT_EQ(ops.substr(ops.size() - kReady.size() - 2), "R " + kReady);
    }
}

}  // namespace
