// SPDX-License-Identifier: GPL-3.0-or-later
// The variant tables, without any device: the chip IDs that pick each erase, algorithm and
// status handling, every row reachable, every algorithm mapped to its function.

#include <gtest/gtest.h>

#include <set>

#include "spi/chip_id.h"
#include "spi/program.h"

namespace {

struct Expected {
    const char* chip;
    ChipIdState state;
    EraseKind erase;
    ProgramAlgorithm algorithm;
    bool fixup;
    bool write_status_enable;
};

TEST(ChipVariantsTest, ChipIdsSelectTheirVariants) {
    using A = ProgramAlgorithm;
    using E = EraseKind;
    const Expected cases[] = {
        {"BF from 0x9F", {0xBF, 0x8E, 0, 0}, E::BlockD8Pair, A::AaiWord, false, true},
        {"BF from 0xAB", {0xBF, 0xBF, 1, 0}, E::Block52Pair, A::AaiByte, false, true},
        {"C2 20 10", {0xC2, 0x10, 0, 0}, E::BlockD8Pair, A::Page32, false, false},
        {"C2 20 11", {0xC2, 0x11, 0, 0}, E::BlockD8Pair, A::Page256, false, false},
        {"C2 20 16", {0xC2, 0x16, 0, 0}, E::BlockD8Pair, A::Page256, false, false},
        {"C8 40 14", {0xC8, 0x14, 0, 0}, E::BlockD8Pair, A::Page256, true, false},
        {"C8 40 13", {0xC8, 0x13, 0, 0}, E::BlockD8Pair, A::Page256, false, false},
        {"C2 20 14", {0xC2, 0x14, 0, 0}, E::BlockD8Pair, A::Page256, false, false},
        {"FF", {0xFF, 0xFF, 0, 0}, E::Sector1K_D7, A::AaiWord, false, false},
        {"EF 40 16", {0xEF, 0x16, 0, 0}, E::BlockD8Pair, A::Page256, false, false},
        {"9D from 0xAB", {0x9D, 0x9D, 0, 1}, E::BlockD8Triple, A::Page256, false, false},
        // Row order: the sector erase wins over a legacy flag, a legacy flag over the maker code.
        {"FF with the SST legacy flag", {0xFF, 0xFF, 1, 0}, E::Sector1K_D7, A::AaiWord, false, false},
        {"C2 with the SST legacy flag", {0xC2, 0x16, 1, 0}, E::Block52Pair, A::Page256, false, false},
    };
    for (const Expected& c : cases) {
        SCOPED_TRACE(c.chip);
        const ChipTraits traits = ResolveChipTraits(c.state);
        EXPECT_EQ(traits.erase, c.erase);
        EXPECT_EQ(traits.program, c.algorithm);
        EXPECT_EQ(traits.chunk_fixup, c.fixup);
        EXPECT_EQ(traits.write_status_enable, c.write_status_enable);
    }
}

// Before any identification the engine must act as for a chip that answered zeros.
TEST(ChipVariantsTest, UnidentifiedChipGetsTheZeroIdTraits) {
    EXPECT_EQ(ResolveChipTraits(ChipIdState{}), ChipTraits{});
}

template <typename Choice>
std::set<size_t> RowsHit(std::span<const VariantRow<Choice>> rows) {
    std::set<size_t> hit;
    for (uint8_t id0 : {0x00, 0xBF, 0xC2, 0xC8, 0xEF, 0xFF}) {
        for (uint8_t id2 : {0x00, 0x10, 0x14, 0x16}) {
            for (auto [sst, non_sst] : {std::pair{0, 0}, {1, 0}, {0, 1}}) {
                const ChipIdState state{id0, id2, static_cast<uint8_t>(sst), static_cast<uint8_t>(non_sst)};
                hit.insert(FirstMatchingRow(rows, state));
            }
        }
    }
    return hit;
}

TEST(ChipVariantsTest, EveryRowIsTheFirstMatchForSomeChip) {
    EXPECT_EQ(RowsHit(EraseRows()).size(), EraseRows().size());
    EXPECT_EQ(RowsHit(ProgramRows()).size(), ProgramRows().size());
    EXPECT_EQ(RowsHit(ChunkFixupRows()).size(), ChunkFixupRows().size());
    EXPECT_EQ(RowsHit(WriteStatusEnableRows()).size(), WriteStatusEnableRows().size());
}

TEST(ChipVariantsTest, EveryAlgorithmHasItsOwnFunction) {
    const std::pair<ProgramAlgorithm, ProgramFunction> expected[] = {
        {ProgramAlgorithm::Page256, SPI_ProgramPage256},
        {ProgramAlgorithm::Page32, SPI_ProgramPage32},
        {ProgramAlgorithm::AaiByte, SPI_ProgramAaiByte},
        {ProgramAlgorithm::AaiWord, SPI_ProgramAaiWord},
    };
    for (const auto& [algorithm, function] : expected) {
        EXPECT_EQ(ProgramFunctionFor(algorithm), function) << static_cast<int>(algorithm);
    }
}

}  // namespace
