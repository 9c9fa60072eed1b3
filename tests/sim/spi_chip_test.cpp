// SPDX-License-Identifier: GPL-3.0-or-later
// The flash chip behind the follow-mode link, driven as a host drives it.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "sim_host.h"

namespace {

using sim::ChipKind;
using simtest::SimHost;

class SpiChipTest : public ::testing::Test {
protected:
    void Start(const sim::Config& config) {
        device_ = std::make_unique<sim::Device>(config);
        host_ = std::make_unique<SimHost>(*device_);
        uint8_t ack;
        ASSERT_TRUE(host_->EnterFollow(ack));
    }
    void Start(ChipKind chip = ChipKind::Winbond) { Start(simtest::SmallConfig(chip)); }
    sim::Device& device() { return *device_; }
    SimHost& host() { return *host_; }
    std::span<uint8_t> flash() { return device_->flash(); }
    bool AllErased(uint32_t from, uint32_t count) {
        auto bytes = flash().subspan(from, count);
        return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0xFF; });
    }

    // Word or byte auto-address-increment of `data` from `address`, ended with 0x04.
    void AutoIncrement(uint8_t opcode, uint32_t address, const std::vector<uint8_t>& data) {
        const size_t width = opcode == 0xAD ? 2 : 1;
        host().WriteEnable();
        host().Select();
        host().Opcode(opcode);
        host().Write(uint8_t(address >> 16));
        host().Write(uint8_t(address >> 8));
        host().Write(uint8_t(address));
        for (size_t i = 0; i < data.size(); i += width) {
            for (size_t k = 0; k < width; ++k) host().Write(data[i + k]);
            host().WaitReady();  // its select ends the command
            host().Select();
            host().Opcode(opcode);
        }
        host().WaitReady();
        host().Transaction(0x04);
        host().WaitReady();
    }

private:
    std::unique_ptr<sim::Device> device_;
    std::unique_ptr<SimHost> host_;
};

TEST_F(SpiChipTest, EveryProfileAnswersItsIds) {
    struct Case {
        ChipKind chip;
        std::vector<uint8_t> jedec_prefix;
        std::vector<uint8_t> legacy_prefix;
    };
    const Case cases[] = {
        {ChipKind::SstJedec, {0xBF, 0x25, 0x8E}, {0xBF}},
        {ChipKind::SstLegacy, {0x00}, {0xBF, 0x48}},
        {ChipKind::Mx32Pieces, {0xC2, 0x20, 0x10}, {}},
        {ChipKind::Mx, {0xC2, 0x20, 0x16}, {}},
        {ChipKind::Gd, {0xC8, 0x40, 0x14}, {}},
        {ChipKind::AllFF, {0xFF, 0xFF, 0xFF, 0xFF}, {}},
        {ChipKind::Winbond, {0xEF, 0x40, 0x16}, {}},
        {ChipKind::LegacyOther, {0x00}, {0x9D, 0x7F}},
    };
    ASSERT_EQ(std::size(cases), sim::ChipProfiles().size());
    for (const Case& c : cases) {
        const sim::ChipProfile& profile = sim::ProfileOf(c.chip);
        SCOPED_TRACE(profile.name);
        Start(c.chip);
        const auto jedec = host().Transaction(0x9F, {}, 4);
        EXPECT_TRUE(std::equal(c.jedec_prefix.begin(), c.jedec_prefix.end(), jedec.begin()));
        EXPECT_TRUE(std::equal(jedec.begin(), jedec.end(), profile.jedec_id.begin()));
        const auto legacy = host().Transaction(0xAB, {0, 0, 0}, 4);
        EXPECT_TRUE(std::equal(c.legacy_prefix.begin(), c.legacy_prefix.end(), legacy.begin()));
        EXPECT_TRUE(std::equal(legacy.begin(), legacy.end(), profile.legacy_id.begin()));
        EXPECT_EQ(sim::ChipKindByName(profile.name), c.chip);
    }
    EXPECT_EQ(sim::ChipKindByName("no-such-chip"), std::nullopt);
}

TEST_F(SpiChipTest, ConfiguredIdReplacesTheProfilesAndSizesTheFlash) {
    sim::Config config = simtest::SmallConfig(ChipKind::Mx32Pieces);
    config.flash_size = 0;
    config.jedec_id = std::array<uint8_t, 3>{0xC2, 0x20, 0x11};
    sim::Device device(config);
    simtest::SimHost host(device);
    uint8_t ack = 0;
    ASSERT_TRUE(host.EnterFollow(ack));
    EXPECT_EQ(host.Transaction(0x9F, {}, 4), (std::vector<uint8_t>{0xC2, 0x20, 0x11, 0xC2}));
    EXPECT_EQ(device.flash().size(), 128u << 10);
    EXPECT_EQ(device.config().flash_size, 128u << 10);
    // The profile still decides what the chip takes: 32-byte pages.
    host.Unprotect();
    std::vector<uint8_t> data(40, 0x00);
    host.PageProgram(0x10000, data);
    EXPECT_EQ(device.flash()[0x10000 + 31], 0x00);
    EXPECT_EQ(device.flash()[0x10000 + 32], 0xFF) << "wraps within its 32-byte piece";
}

TEST_F(SpiChipTest, ProgrammingOnlyClearsBits) {
    Start();
    flash()[0x1000] = 0xF0;
    flash()[0x1001] = 0x0F;
    host().PageProgram(0x1000, {0x3C, 0xFF, 0x00});
    EXPECT_EQ(flash()[0x1000], 0x30);
    EXPECT_EQ(flash()[0x1001], 0x0F);
    EXPECT_EQ(flash()[0x1002], 0x00);
    EXPECT_EQ(host().FastRead(0x1000, 3), (std::vector<uint8_t>{0x30, 0x0F, 0x00}));
}

TEST_F(SpiChipTest, PageProgramWrapsWithinItsPage) {
    struct Case {
        ChipKind chip;
        uint32_t page;
    };
    for (const Case c : {Case{ChipKind::Winbond, 256}, Case{ChipKind::Mx32Pieces, 32}}) {
        SCOPED_TRACE(sim::ProfileOf(c.chip).name);
        Start(c.chip);
        const uint32_t page_base = 0x2300;
        const uint32_t start = page_base + c.page - 4;
        std::vector<uint8_t> data(8);
        for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(0x10 + i);
        host().PageProgram(start, data);
        EXPECT_EQ(host().FastRead(start, 4), (std::vector<uint8_t>{0x10, 0x11, 0x12, 0x13}));
        EXPECT_EQ(host().FastRead(page_base, 4), (std::vector<uint8_t>{0x14, 0x15, 0x16, 0x17}));
        EXPECT_TRUE(AllErased(page_base + c.page, 16)) << "the next page is untouched";
    }
}

TEST_F(SpiChipTest, MorePageBytesThanThePageKeepsTheLastOnes) {
    Start();
    std::vector<uint8_t> data(260, 0xFF);
    data[0] = 0x00;    // overwritten in the latch by data[256]
    data[256] = 0xA5;
    host().PageProgram(0x400, data);
    EXPECT_EQ(flash()[0x400], 0xA5);
}

TEST_F(SpiChipTest, BlockProtectionMakesEraseAndProgramIgnored) {
    struct Case {
        const char* what;
        ChipKind chip;
        uint8_t protection;
    };
    for (const Case c : {Case{"bits 2 and 3", ChipKind::Winbond, 0x0C}, Case{"bit 5 alone", ChipKind::Gd, 0x20},
                         Case{"bit 2 alone", ChipKind::AllFF, 0x04}}) {
        SCOPED_TRACE(c.what);
        Start(c.chip);
        flash()[0x100] = 0x00;
        host().SetStatus(c.protection);
        ASSERT_EQ(device().chip_status(), c.protection);
        host().Erase(0xD8, 0x000000);
        host().Erase(0x52, 0x000000);
        host().Erase(0xD7, 0x000000);
        EXPECT_EQ(flash()[0x100], 0x00);
        host().PageProgram(0x200, {0x12});
        EXPECT_EQ(flash()[0x200], 0xFF);
        host().Unprotect();
        host().Erase(0xD8, 0x000000);
        EXPECT_EQ(flash()[0x100], 0xFF);
    }
}

TEST_F(SpiChipTest, ProtectedChipIgnoresAutoIncrementProgramming) {
    sim::Config config = simtest::SmallConfig(ChipKind::SstJedec);
    config.initial_status = 0x0C;
    Start(config);
    AutoIncrement(0xAD, 0x0000, {0x11, 0x22});
    EXPECT_TRUE(AllErased(0, 2));
}

TEST_F(SpiChipTest, WritesWithoutTheWriteEnableLatchAreIgnored) {
    Start();
    flash()[0x10] = 0x00;
    host().Transaction(0xD8, {0, 0, 0});
    host().WaitReady();
    EXPECT_EQ(flash()[0x10], 0x00) << "erase";
    host().Transaction(0x02, {0, 0x02, 0, 0x12});
    host().WaitReady();
    EXPECT_EQ(flash()[0x200], 0xFF) << "page program";
    host().Transaction(0x01, {0x0C});
    host().WaitReady();
    EXPECT_EQ(device().chip_status(), 0x00) << "status write";
    // 0x04 drops the latch again.
    host().WriteEnable();
    EXPECT_EQ(device().chip_status(), 0x02);
    host().Transaction(0x04);
    host().Transaction(0x02, {0, 0x02, 0, 0x12});
    host().WaitReady();
    EXPECT_EQ(flash()[0x200], 0xFF) << "page program after 0x04";
}

TEST_F(SpiChipTest, EachWriteUsesUpTheLatch) {
    Start();
    host().WriteEnable();
    host().Transaction(0x02, {0, 0x02, 0x00, 0x12});
    host().WaitReady();
    EXPECT_EQ(device().chip_status() & 0x02, 0);
    host().Transaction(0x02, {0, 0x02, 0x01, 0x34});
    host().WaitReady();
    EXPECT_EQ(flash()[0x200], 0x12);
    EXPECT_EQ(flash()[0x201], 0xFF);
}

TEST_F(SpiChipTest, EnableWriteStatusLetsTheNextStatusWriteThrough) {
    Start(ChipKind::SstJedec);
    host().Transaction(0x50);
    host().Transaction(0x05, {}, 2);  // status reads in between do not use it up
    host().Transaction(0x01, {0x0C});
    host().WaitReady();
    EXPECT_EQ(device().chip_status(), 0x0C);
    host().Transaction(0x01, {0x00});  // used up
    host().WaitReady();
    EXPECT_EQ(device().chip_status(), 0x0C);
    host().Transaction(0x50);
    host().Transaction(0x9F, {}, 1);  // any other command ends it
    host().Transaction(0x01, {0x00});
    host().WaitReady();
    EXPECT_EQ(device().chip_status(), 0x0C);
}

TEST_F(SpiChipTest, StatusWriteStartsWhenTheNextSelectEndsIt) {
    sim::Config config = simtest::SmallConfig();
    config.initial_status = 0x0C;
    config.busy_reads_status_write = 2;
    Start(config);
    host().WriteEnable();
    host().Select();
    host().Opcode(0x01);
    host().Write(0x00);
    EXPECT_EQ(device().chip_status(), 0x0E) << "nothing happens while chip select is active";
    host().Select();  // no deselect in between
    host().Opcode(0x05);
    EXPECT_EQ(host().Read(), 0x03);
    EXPECT_EQ(host().Read(), 0x03);
    EXPECT_EQ(host().Read(), 0x00);
    host().Deselect();
    host().Deselect();  // none open: nothing changes
    EXPECT_EQ(device().chip_status(), 0x00);
}

TEST_F(SpiChipTest, TwoByteStatusWriteKeepsTheSecondRegister) {
    Start(ChipKind::Gd);
    host().WriteEnable();
    host().Transaction(0x01, {0x00, 0x02});
    host().WaitReady();
    EXPECT_EQ(host().Transaction(0x35, {}, 1)[0], 0x02);
    EXPECT_EQ(device().chip_status(), 0x00);
}

TEST_F(SpiChipTest, BusyIsCountedInStatusReads) {
    struct Case {
        const char* what;
        uint8_t opcode;
    };
    for (const Case c : {Case{"program", 0x02}, Case{"erase", 0xD8}, Case{"status write", 0x01}}) {
        SCOPED_TRACE(c.what);
        sim::Config config = simtest::SmallConfig();
        config.busy_reads_program = 3;
        config.busy_reads_erase = 5;
        config.busy_reads_status_write = 1;
        const uint32_t expected = c.opcode == 0x02 ? 3 : c.opcode == 0xD8 ? 5 : 1;
        Start(config);
        host().WriteEnable();
        if (c.opcode == 0x01) {
            host().Transaction(0x01, {0x00});
        } else if (c.opcode == 0x02) {
            host().Transaction(0x02, {0, 0, 0, 0x55});
        } else {
            host().Transaction(0xD8, {0, 0, 0});
        }
        EXPECT_EQ(device().chip_status(), 0x03) << "busy shows the latch set";
        EXPECT_EQ(host().Transaction(0x9F, {}, 1)[0], 0xFF) << "a busy chip answers only status reads";
        host().Select();
        host().Opcode(0x05);
        for (uint32_t i = 0; i < expected; ++i) EXPECT_EQ(host().Read(), 0x03) << "read " << i;
        EXPECT_EQ(host().Read(), 0x00);
        host().Deselect();
    }
}

TEST_F(SpiChipTest, AutoIncrementProgramsByteAndWordSequences) {
    struct Case {
        ChipKind chip;
        uint8_t opcode;
    };
    for (const Case c : {Case{ChipKind::SstJedec, 0xAD}, Case{ChipKind::AllFF, 0xAD},
                         Case{ChipKind::SstLegacy, 0xAF}}) {
        SCOPED_TRACE(sim::ProfileOf(c.chip).name);
        Start(c.chip);
        const std::vector<uint8_t> data = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB};
        AutoIncrement(c.opcode, 0x1FE, data);
        EXPECT_EQ(host().FastRead(0x1FE, 7), (std::vector<uint8_t>{0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xFF}));
        EXPECT_EQ(device().chip_status(), 0x00) << "0x04 ends the sequence and drops the latch";
        // After 0x04 an opcode without address is no continuation.
        host().WriteEnable();
        host().Transaction(c.opcode, {0x00, 0x00});
        host().WaitReady();
        EXPECT_EQ(flash()[0x204], 0xFF);
    }
}

TEST_F(SpiChipTest, ChipsIgnoreProgramAndEraseOpcodesTheyDoNotTake) {
    struct Case {
        ChipKind chip;
        uint8_t opcode;
    };
    for (const Case c : {Case{ChipKind::SstLegacy, 0xAD}, Case{ChipKind::SstJedec, 0xAF},
                         Case{ChipKind::Winbond, 0xAD}, Case{ChipKind::Mx, 0xAF}}) {
        SCOPED_TRACE(testing::Message() << sim::ProfileOf(c.chip).name << " " << int(c.opcode));
        Start(c.chip);
        AutoIncrement(c.opcode, 0x0, {0x00, 0x00});
        EXPECT_TRUE(AllErased(0, 2));
    }
    Start(ChipKind::AllFF);
    host().PageProgram(0x0, {0x00});
    EXPECT_EQ(flash()[0], 0xFF) << "the 0xFF chip takes no page program";
    Start(ChipKind::SstJedec);
    host().PageProgram(0x0, {0x00, 0x5A});
    EXPECT_EQ(flash()[0], 0x5A) << "SST page program is a one-byte program";
    EXPECT_EQ(flash()[1], 0xFF);
}

TEST_F(SpiChipTest, EraseOpcodesEraseTheBlockHoldingTheAddress) {
    struct Case {
        ChipKind chip;
        uint8_t opcode;
        uint32_t address;
        uint32_t first;  // erased range
        uint32_t size;
    };
    const Case cases[] = {
        {ChipKind::Winbond, 0xD8, 0x09000, 0x00000, 0x10000},
        {ChipKind::Winbond, 0xD8, 0x18000, 0x10000, 0x10000},
        {ChipKind::Winbond, 0x52, 0x09000, 0x08000, 0x8000},
        {ChipKind::SstLegacy, 0x52, 0x10000, 0x10000, 0x8000},
        {ChipKind::AllFF, 0xD7, 0x10400, 0x10400, 0x400},
        {ChipKind::Winbond, 0xD7, 0x10400, 0, 0},
        {ChipKind::SstLegacy, 0xD8, 0x10000, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << sim::ProfileOf(c.chip).name << " " << std::hex << int(c.opcode)
                                        << " at " << c.address);
        Start(c.chip);
        std::fill(flash().begin(), flash().end(), 0x00);
        host().Erase(c.opcode, c.address);
        const auto erased = std::count(flash().begin(), flash().end(), 0xFF);
        EXPECT_EQ(static_cast<uint32_t>(erased), c.size);
        if (c.size != 0) {
            EXPECT_TRUE(AllErased(c.first, c.size));
        }
    }
}

TEST_F(SpiChipTest, FastReadWrapsAtTheFlashEnd) {
    Start();
    const uint32_t last = device().config().flash_size - 1;
    flash()[last] = 0x11;
    flash()[0] = 0x22;
    EXPECT_EQ(host().FastRead(last, 2), (std::vector<uint8_t>{0x11, 0x22}));
}

TEST_F(SpiChipTest, NoTransactionNoAnswer) {
    Start();
    flash()[0] = 0x00;
    host().Deselect();
    host().Opcode(0x0B);
    host().Write(0);
    EXPECT_EQ(host().Read(), 0xFF);
}

TEST_F(SpiChipTest, StuckBitsStayOne) {
    sim::Config config = simtest::SmallConfig();
    config.stuck_ones = {{0x300, 0x01}, {0x301, 0x80}, {0x300, 0x10}};
    Start(config);
    host().PageProgram(0x300, {0x00, 0x00, 0x00});
    EXPECT_EQ(host().FastRead(0x300, 3), (std::vector<uint8_t>{0x11, 0x80, 0x00}));
}

TEST_F(SpiChipTest, RefusedEraseLooksTakenButErasesNothing) {
    sim::Config config = simtest::SmallConfig();
    config.erase_refused = true;
    Start(config);
    flash()[0] = 0x00;
    host().WriteEnable();
    host().Transaction(0xD8, {0, 0, 0});
    EXPECT_EQ(device().chip_status() & 0x01, 0x01);
    EXPECT_TRUE(host().WaitReady());
    EXPECT_EQ(device().chip_status(), 0x00);
    EXPECT_EQ(flash()[0], 0x00);
}

TEST_F(SpiChipTest, StuckBusyChipNeverGetsReady) {
    sim::Config config = simtest::SmallConfig();
    config.stuck_busy = true;
    Start(config);
    host().Select();
    host().Opcode(0x05);
    for (int i = 0; i < 50; ++i) ASSERT_EQ(host().Read() & 0x01, 0x01);
    host().Deselect();
    host().Transaction(0x06);
    host().Transaction(0x02, {0, 0, 0, 0x00});
    EXPECT_EQ(flash()[0], 0xFF);
}

TEST_F(SpiChipTest, SpiTraceRecordsEachTransaction) {
    Start();
    device().EnableSpiTrace(true);
    host().Transaction(0x9F, {}, 2);
    host().Select();
    host().Opcode(0x06);
    host().Select();  // ends the 0x06 transaction
    host().Opcode(0x05);
    host().Read();
    host().WriteCmd(0xFC);  // leaving follow mode ends it too
    const auto& trace = device().spi_trace();
    ASSERT_EQ(trace.size(), 3u);
    EXPECT_EQ(trace[0].out, (std::vector<uint8_t>{0x9F}));
    EXPECT_EQ(trace[0].in, (std::vector<uint8_t>{0xEF, 0x40}));
    EXPECT_EQ(trace[1].out, (std::vector<uint8_t>{0x06}));
    EXPECT_EQ(trace[2].out, (std::vector<uint8_t>{0x05}));
    EXPECT_EQ(trace[2].in, (std::vector<uint8_t>{0x02}));
    EXPECT_EQ(device().chip_status(), 0x02);
}

}  // namespace
