#include "spi/chip_id.h"

#include "spi/flash_control.h"
#include "spi/follow_link.h"

uint8_t g_FlashId[4] = {0, 0, 0, 0};
uint8_t g_SstLegacy = 0;
uint8_t g_NonSstLegacy = 0;
ChipTraits g_Chip;

namespace {

void ReadFourIdBytes() {
    for (uint8_t& byte : g_FlashId) byte = FM_Read();
}

}  // namespace

void SPI_ReadJedecId() {
    // A chip that answers 0x9F must not inherit the legacy state of one identified before.
    g_SstLegacy = 0;
    g_NonSstLegacy = 0;
    g_FlashId[0] = 0;
    SPI_WaitReady();
    FM_Select();
    FM_Opcode(spi_op::kJedecId);
    ReadFourIdBytes();
    // The legacy read starts while the 0x9F transaction is open: its select ends it, so the
    // deselect below is a second one in a row, which the EC ignores.
    if (g_FlashId[0] == 0) SPI_ReadLegacyId();
    FM_Deselect();
    g_Chip = ResolveChipTraits({g_FlashId[0], g_FlashId[2], g_SstLegacy, g_NonSstLegacy});
}

void SPI_ReadLegacyId() {
    SPI_WaitReady();
    FM_Select();
    FM_Opcode(spi_op::kLegacyId);
    for (int i = 0; i < 3; ++i) FM_Write(0x00);
    ReadFourIdBytes();
    const bool sst = g_FlashId[0] == 0xBF;
    g_SstLegacy = sst ? 1 : 0;
    g_NonSstLegacy = sst ? 0 : 1;
    FM_Deselect();
}

void SPI_ResetChipState() {
    for (uint8_t& byte : g_FlashId) byte = 0;
    g_SstLegacy = 0;
    g_NonSstLegacy = 0;
    g_Chip = ChipTraits{};
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
