#include "spi/chip_variants.h"

#include "spi/chip_id.h"

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

ChipIdState CurrentChipIdState() {
    return {g_FlashId[0], g_FlashId[2], g_SstLegacy, g_NonSstLegacy};
}

EraseKind SelectEraseKind(const ChipIdState& state) { return Select(EraseRows(), state); }
ProgramAlgorithm SelectProgramAlgorithm(const ChipIdState& state) { return Select(ProgramRows(), state); }
bool NeedsChunkFixup(const ChipIdState& state) { return Select(ChunkFixupRows(), state); }
bool NeedsWriteStatusEnable(const ChipIdState& state) { return Select(WriteStatusEnableRows(), state); }
