// SPDX-License-Identifier: GPL-3.0-or-later
#include "spi/chip_id.h"

#include "spi/flash_control.h"
#include "spi/follow_link.h"

namespace {

std::array<uint8_t, 4> ReadFourIdBytes(EcChannel& ec) {
    std::array<uint8_t, 4> id{};
    for (uint8_t& byte : id) byte = FM_Read(ec);
    return id;
}

// The 0xAB ID: the answer, and which of the two legacy kinds it is.
ChipRecord ReadLegacyId(EcChannel& ec) {
    SPI_WaitReady(ec);
    FM_Select(ec);
    FM_Opcode(ec, spi_op::kLegacyId);
    for (int i = 0; i < 3; ++i) FM_Write(ec, 0x00);
    const std::array<uint8_t, 4> id = ReadFourIdBytes(ec);
    FM_Deselect(ec);
    return MakeChipRecord(id, id[0] == 0xBF ? LegacyId::Sst : LegacyId::NonSst);
}

}  // namespace

std::optional<uint32_t> ChipCapacityBytes(const uint8_t (&id)[4], bool legacy_id) {
    if (legacy_id) return std::nullopt;
    const uint8_t code = id[2];
    if (code < 0x10 || code > 0x18) return std::nullopt;
    return uint32_t{1} << code;
}

ChipRecord MakeChipRecord(const std::array<uint8_t, 4>& id, LegacyId legacy) {
    ChipRecord chip;
    chip.id = id;
    chip.legacy = legacy;
    const uint8_t bytes[4] = {id[0], id[1], id[2], id[3]};
    chip.capacity = ChipCapacityBytes(bytes, chip.legacy_id());
    chip.traits = ResolveChipTraits({id[0], id[2], uint8_t{legacy == LegacyId::Sst ? uint8_t{1} : uint8_t{0}},
                                     uint8_t{legacy == LegacyId::NonSst ? uint8_t{1} : uint8_t{0}}});
    return chip;
}

ChipRecord SPI_ReadJedecId(EcChannel& ec) {
    SPI_WaitReady(ec);
    FM_Select(ec);
    FM_Opcode(ec, spi_op::kJedecId);
    const std::array<uint8_t, 4> id = ReadFourIdBytes(ec);
    // The legacy read starts while the 0x9F transaction is open: its select ends it, so the
    // deselect below is a second one in a row, which the EC ignores.
    const ChipRecord chip = id[0] == 0 ? ReadLegacyId(ec) : MakeChipRecord(id, LegacyId::None);
    FM_Deselect(ec);
    return chip;
}

namespace {

constexpr VariantRow<EraseKind> kEraseRows[] = {
    {{.id0 = 0xFF}, EraseKind::Sector1K_D7},
    {{.sst_legacy = 1}, EraseKind::Block52Pair},
    {{.non_sst_legacy = 1}, EraseKind::BlockD8Triple},
    {{}, EraseKind::BlockD8Pair},
};

constexpr VariantRow<ProgramAlgorithm> kProgramRows[] = {
    {{.id0 = 0xBF, .sst_legacy = 1}, ProgramAlgorithm::AaiByte},
    {{.id0 = 0xBF}, ProgramAlgorithm::AaiWord},
    {{.id0 = 0xC2, .id2 = 0x10}, ProgramAlgorithm::Page32},
    {{.id0 = 0xC2}, ProgramAlgorithm::Page256},
    {{.id0 = 0xFF}, ProgramAlgorithm::AaiWord},
    {{}, ProgramAlgorithm::Page256},
};

constexpr VariantRow<bool> kChunkFixupRows[] = {
    {{.id0 = 0xC8, .id2 = 0x14}, true},
    {{}, false},
};

constexpr VariantRow<bool> kWriteStatusEnableRows[] = {
    {{.id0 = 0xBF}, true},
    {{}, false},
};

template <typename Choice>
Choice Select(std::span<const VariantRow<Choice>> rows, const ChipIdState& state) {
    return rows[FirstMatchingRow(rows, state)].choice;
}

}  // namespace

std::span<const VariantRow<EraseKind>> EraseRows() { return kEraseRows; }
std::span<const VariantRow<ProgramAlgorithm>> ProgramRows() { return kProgramRows; }
std::span<const VariantRow<bool>> ChunkFixupRows() { return kChunkFixupRows; }
std::span<const VariantRow<bool>> WriteStatusEnableRows() { return kWriteStatusEnableRows; }

ChipTraits ResolveChipTraits(const ChipIdState& state) {
    return {Select(EraseRows(), state), Select(ProgramRows(), state), Select(ChunkFixupRows(), state),
            Select(WriteStatusEnableRows(), state)};
}
