// SPDX-License-Identifier: GPL-3.0-or-later
// Command streams of the ID reads and flash control commands, seen at the port seam.

#include <gtest/gtest.h>

#include <array>

#include "platform/clock.h"
#include "hw/ec_channel.h"
#include "spi/chip_id.h"
#include "spi/erase.h"
#include "spi/flash_control.h"
#include "spi/follow_link.h"
#include "spi_test_support.h"
#include "scripted_ec.h"

namespace {

using spi_test::kReady;
using spi_test::ScriptedEc;
using spi_test::SimTest;

class ControlStreamTest : public SimTest {};

TEST_F(ControlStreamTest, LegacyFallbackStartsInsideTheOpenIdReadAndDeselectsTwice) {
    for (sim::ChipKind kind : {sim::ChipKind::SstLegacy, sim::ChipKind::LegacyOther}) {
        const sim::ChipProfile& profile = sim::ProfileOf(kind);
        SCOPED_TRACE(profile.name);
                StartChip(kind);
        Trace();
        chip_ = SPI_ReadJedecId(ec_);
        EXPECT_EQ(TracedOps(), kReady + " S O9F R R R R " + kReady +
                                   " S OAB W00 W00 W00 R R R R D D");
        EXPECT_EQ(chip_.id, profile.legacy_id);
        EXPECT_EQ(chip_.legacy, profile.legacy_id[0] == 0xBF ? LegacyId::Sst : LegacyId::NonSst);
    }
}

TEST_F(ControlStreamTest, JedecAnswerBringsWriteStatusEnable) {
    StartChip(sim::ChipKind::SstJedec);
    Trace();
    chip_ = SPI_ReadJedecId(ec_);
    EXPECT_EQ(TracedOps(), kReady + " S O9F R R R R D");
    EXPECT_EQ(chip_.id, sim::ProfileOf(sim::ChipKind::SstJedec).jedec_id);

    Trace();
    SPI_WriteEnable(ec_, chip_.traits);
    EXPECT_EQ(TracedOps(), kReady + " S O06 S O50 S O05 poll D");
}

// Two operations in one process: the second chip answers 0x9F and must get nothing of the
// first one's legacy state, which would erase it with 0x52 or program it byte by byte.
TEST_F(ControlStreamTest, EveryIdentificationStartsWithoutLegacyState) {
    StartChip(sim::ChipKind::SstLegacy);
    chip_ = SPI_ReadJedecId(ec_);
    ASSERT_EQ(chip_.legacy, LegacyId::Sst);
    ASSERT_EQ(chip_.traits, sim::ProfileOf(sim::ChipKind::SstLegacy).expected);

    for (sim::ChipKind second : {sim::ChipKind::SstJedec, sim::ChipKind::Mx}) {
        SCOPED_TRACE(sim::ProfileOf(second).name);
        StartChip(second);
        chip_ = SPI_ReadJedecId(ec_);
        EXPECT_EQ(chip_.legacy, LegacyId::None);
        EXPECT_EQ(chip_.traits, sim::ProfileOf(second).expected);
        SPI_Unprotect(ec_, chip_.traits);
        Trace();
        SPI_EraseChunk(ec_, chip_.traits, 0, 0x00, 0x00);
        EXPECT_TRUE(Transactions(0x52).empty());
        EXPECT_EQ(Transactions(0xD8).size(), 2u);
    }
}

TEST_F(ControlStreamTest, UnprotectAndProtectWriteStatusInOrder) {
    struct Case {
        sim::ChipKind chip;
        void (*operation)(EcChannel& ec, const ChipTraits& chip);
        const char* expected_tail;
        uint8_t protection_after;
    };
    const Case cases[] = {
        {sim::ChipKind::SstJedec, SPI_Unprotect, " S O06 S O05 poll S O50 S O01 W00 ", 0x00},
        {sim::ChipKind::SstJedec, SPI_Protect, " S O06 S O05 poll S O50 S O01 W0C ", 0x0C},
        {sim::ChipKind::Winbond, SPI_Unprotect, " S O06 S O05 poll S O01 W00 ", 0x00},
        {sim::ChipKind::Winbond, SPI_Protect, " S O06 S O05 poll S O01 W0C ", 0x0C},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(sim::ProfileOf(c.chip).name) + c.expected_tail);
                StartChip(c.chip);
        chip_ = SPI_ReadJedecId(ec_);
        Trace();
        c.operation(ec_, chip_.traits);
        // No deselect before the last ready wait: its select starts the status write.
        EXPECT_EQ(TracedOps(), kReady + c.expected_tail + kReady);
        EXPECT_EQ(device().chip_status() & 0x3C, c.protection_after);
    }
}

TEST_F(ControlStreamTest, ChunkFixupOnlyForC8xx14WithFourSleeps) {
    StartChip(sim::ChipKind::Gd);
    chip_ = SPI_ReadJedecId(ec_);
    Trace();
    SPI_ChunkFixup(ec_, chip_.traits);
    const std::string enable = kReady + " S O06 S O05 poll D";
    const std::string status_pair = kReady + " S O01 W00 W02 sleep";
    const std::string disable = kReady + " S O04 S O05 poll D";
    EXPECT_EQ(TracedOps(), enable + " " + status_pair + " " + status_pair + " " + kReady + " S O50 sleep " +
                               disable + " " + kReady + " sleep D");
    EXPECT_EQ(clock_.sleeps(), 4u);
    EXPECT_EQ(clock_.slept_ms(), 400u);

    for (auto id : {std::array<uint8_t, 4>{0xC8, 0x40, 0x13, 0xC8}, std::array<uint8_t, 4>{0xC2, 0x20, 0x14, 0xC2}}) {
        SCOPED_TRACE(static_cast<int>(id[2]));
        chip_.traits = ResolveChipTraits({id[0], id[2], 0, 0});
        Trace();
        SPI_ChunkFixup(ec_, chip_.traits);
        EXPECT_TRUE(device().port_trace().empty());
        EXPECT_EQ(clock_.sleeps(), 4u);
    }
}

TEST_F(ControlStreamTest, OperandBytesGoThroughTheCommandPort) {
    StartChip(sim::ChipKind::Winbond);
    Trace();
    FM_Write(ec_, 0x05);
    const std::vector<sim::PortOp> expected = {
        {0x3F4, 0x00, false}, {0x3F4, 0x03, true}, {0x3F4, 0x00, false},
        {0x3F4, 0x00, false}, {0x3F4, 0x05, true}, {0x3F4, 0x00, false},
    };
    EXPECT_EQ(device().port_trace(), expected);
}

// Status sequences a simulated chip does not produce on its own.
struct PollCase {
    const char* name;
    void (*operation)(EcChannel& ec, const ChipTraits& chip);
    std::vector<uint8_t> statuses;  // every status the operation should read, in order
    const char* expected;
};

TEST(StatusPollTest, EachPollEndsOnItsOwnCondition) {
    const PollCase cases[] = {
        {"write enable keeps polling through 00 03 01", SPI_WriteEnable, {0x00, 0x00, 0x03, 0x01, 0x02},
         "S O05 R D S O06 S O05 R R R R D"},
        {"write enable compares bits 1 and 0 only", SPI_WriteEnable, {0x00, 0x1E},
         "S O05 R D S O06 S O05 R D"},
        {"write disable waits for the latch only", [](EcChannel& ec, const ChipTraits&) { SPI_WriteDisable(ec); }, {0x00, 0x02, 0x03, 0x01},
         "S O05 R D S O04 S O05 R R R D"},
        {"unprotect waits for the latch, busy or not", SPI_Unprotect, {0x00, 0x00, 0x01, 0x03, 0x00},
         "S O05 R D S O06 S O05 R R R S O01 W00 S O05 R D"},
        {"ready wait polls until not busy", [](EcChannel& ec, const ChipTraits&) { SPI_WaitReady(ec); }, {0x03, 0x01, 0x02},
         "S O05 R R R D"},
    };
    ManualClock clock;
    ScopedClock scoped_clock(clock);
    for (const PollCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> script = c.statuses;
        script.push_back(0xA5);  // must stay unread
        ScriptedEc ec(script);
        EcChannel channel;
        c.operation(channel, ChipTraits{});
        EXPECT_EQ(ec.Ops(), c.expected);
        EXPECT_EQ(ec.replies_left(), 1u);
        EXPECT_FALSE(channel.faulted());
    }
}

}  // namespace
