// SPDX-License-Identifier: GPL-3.0-or-later
// Programming algorithms: where each stops at the image end, what each command carries,
// and what lands in the flash.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "spi/chip_id.h"
#include "spi/chunk_state.h"
#include "spi/erase.h"
#include "spi/flash_control.h"
#include "spi/program.h"
#include "spi_test_support.h"

namespace {

using spi_test::kReady;
using spi_test::PatternBytes;
using spi_test::SimTest;

const std::string kProgramTail = " " + kReady + " " + kReady + " S O04 S O05 poll D";

class ProgramTest : public SimTest {
protected:
    // An erased chunk `chunk` on a fresh `kind` chip, its part of `image` in the halves, the
    // run's progress at the chunk start, the trace on.
    void Prepare(sim::ChipKind kind, const std::vector<uint8_t>& image, uint8_t chunk) {
                StartChip(kind);
        chip_ = SPI_ReadJedecId(ec_);
        SPI_Unprotect(ec_, chip_.traits);
        SPI_EraseChunk(ec_, chip_.traits, chunk, 0x00, 0x00);
        work_.image_bytes = static_cast<uint32_t>(image.size());
        work_.bytes_done = chunk * kChunkBytes;
        LoadChunk(image, chunk);
        Trace();
    }
    // The flash chunk equals the image there, 0xFF past its end.
    void ExpectFlashHoldsChunk(const std::vector<uint8_t>& image, uint8_t chunk) {
        std::vector<uint8_t> expected(kChunkBytes, 0xFF);
        for (size_t i = 0; i < kChunkBytes && chunk * kChunkBytes + i < image.size(); ++i) {
            expected[i] = image[chunk * kChunkBytes + i];
        }
        const auto flash = device().flash().subspan(chunk * kChunkBytes, kChunkBytes);
        const auto diff = std::mismatch(flash.begin(), flash.end(), expected.begin());
        EXPECT_EQ(diff.first, flash.end()) << "first difference at chunk offset " << (diff.first - flash.begin());
    }
};

struct PageCommand {
    uint8_t middle;
    uint8_t low;
    size_t data_bytes;
    bool operator==(const PageCommand&) const = default;
};

std::vector<PageCommand> PageCommands(const std::vector<sim::SpiTransaction>& programs) {
    std::vector<PageCommand> commands;
    for (const auto& t : programs) commands.push_back({t.out[2], t.out[3], t.out.size() - 4});
    return commands;
}

TEST_F(ProgramTest, PageProgramsStopAtTheImageEnd) {
    struct Case {
        const char* name;
        sim::ChipKind chip;
        size_t image_size;
        std::vector<PageCommand> expected;
    };
    std::vector<PageCommand> full_page_zero;
    for (uint8_t q = 0; q < 8; ++q) full_page_zero.push_back({0, static_cast<uint8_t>(32 * q), 32});
    auto pieces = [&](std::vector<PageCommand> tail) {
        std::vector<PageCommand> all = full_page_zero;
        all.insert(all.end(), tail.begin(), tail.end());
        return all;
    };
    const Case cases[] = {
        {"256-byte pages, ending inside a page", sim::ChipKind::Winbond, 1000,
         {{0, 0, 256}, {1, 0, 256}, {2, 0, 256}, {3, 0, 232}}},
        {"256-byte pages, ending on a page boundary", sim::ChipKind::Winbond, 1024,
         {{0, 0, 256}, {1, 0, 256}, {2, 0, 256}, {3, 0, 256}}},
        {"32-byte pieces, ending inside a piece", sim::ChipKind::Mx32Pieces, 300,
         pieces({{1, 0x00, 32}, {1, 0x20, 12}})},
        {"32-byte pieces, ending on a piece boundary", sim::ChipKind::Mx32Pieces, 320,
         pieces({{1, 0x00, 32}, {1, 0x20, 32}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> image = PatternBytes(c.image_size, 7);
        Prepare(c.chip, image, 0);
        SPI_ProgramChunk(ec_, work_, chip_.traits, 0, 0x00, 0x00);
        EXPECT_EQ(PageCommands(Transactions(0x02)), c.expected);
        // The last command is awaited, then writes are disabled; nothing else is programmed.
        const std::string ops = TracedOps();
        ASSERT_GT(ops.size(), kProgramTail.size());
        EXPECT_EQ(ops.substr(ops.size() - kProgramTail.size()), kProgramTail);
        EXPECT_EQ(work_.bytes_done, c.image_size);
        ExpectFlashHoldsChunk(image, 0);
    }
}

TEST_F(ProgramTest, LastChunkOfAHundredKilobyteImageTakes144Pages) {
    const std::vector<uint8_t> image = PatternBytes(102400, 11);
    Prepare(sim::ChipKind::Mx, image, 1);
    SPI_ProgramChunk(ec_, work_, chip_.traits, 1, 0x00, 0x00);
    const auto programs = Transactions(0x02);
    ASSERT_EQ(programs.size(), 144u);
    for (size_t p = 0; p < programs.size(); ++p) {
        EXPECT_EQ(programs[p].out.size(), 4u + 256u);
        EXPECT_EQ(programs[p].out[1], 1);
        EXPECT_EQ(programs[p].out[2], p);
    }
    EXPECT_EQ(work_.bytes_done, image.size());
    ExpectFlashHoldsChunk(image, 1);
}

TEST_F(ProgramTest, WordProgramCountsPairsSoAnOddImageRunsToTheChunkEnd) {
    struct Case {
        sim::ChipKind chip;
        size_t image_size;
        uint32_t bytes_done_after;
        size_t data_commands;
    };
    const Case cases[] = {
        {sim::ChipKind::SstJedec, 65536 + 1001, 2 * 65536, 32768},
        {sim::ChipKind::AllFF, 65536 + 1001, 2 * 65536, 32768},
        {sim::ChipKind::SstJedec, 65536 + 1000, 65536 + 1000, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(sim::ProfileOf(c.chip).name) + " " + std::to_string(c.image_size));
        const std::vector<uint8_t> image = PatternBytes(c.image_size, 5);
        Prepare(c.chip, image, 1);
        SPI_ProgramChunk(ec_, work_, chip_.traits, 1, 0x00, 0x00);
        EXPECT_EQ(work_.bytes_done, c.bytes_done_after);
        const auto commands = Transactions(0xAD);
        ASSERT_EQ(commands.size(), c.data_commands + 1);
        EXPECT_EQ(commands.front().out,
                  (std::vector<uint8_t>{0xAD, 0x01, 0x00, 0x00, image[65536], image[65537]}));
        for (size_t i = 1; i < c.data_commands; ++i) ASSERT_EQ(commands[i].out.size(), 3u) << i;
        EXPECT_EQ(commands.back().out.size(), 1u);  // ended by the write disable
        ExpectFlashHoldsChunk(image, 1);
    }
}

TEST_F(ProgramTest, ByteProgramPrintsElevenMarksPerHalf) {
    struct Case {
        size_t image_size;
        size_t marks;
    };
    for (const Case c : {Case{65536, 22}, Case{3276, 1}, Case{3277, 2}, Case{32768 + 1, 12}}) {
        SCOPED_TRACE(c.image_size);
        const std::vector<uint8_t> image = PatternBytes(c.image_size, 3);
        const std::string before = ProgressText();
        Prepare(sim::ChipKind::SstLegacy, image, 0);
        SPI_ProgramChunk(ec_, work_, chip_.traits, 0, 0x00, 0x00);
        EXPECT_EQ(ProgressText().substr(before.size()), std::string(c.marks, '\xDB'));
        EXPECT_EQ(work_.bytes_done, c.image_size);
        const auto commands = Transactions(0xAF);
        ASSERT_EQ(commands.size(), c.image_size + 1);
        EXPECT_EQ(commands.front().out, (std::vector<uint8_t>{0xAF, 0x00, 0x00, 0x00, image[0]}));
        EXPECT_EQ(commands.back().out.size(), 1u);
        ExpectFlashHoldsChunk(image, 0);
    }
}

}  // namespace
