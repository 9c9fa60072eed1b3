// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/names.h"

#include "platform/enum_names.h"

namespace {

// The words are the progress line's phase.
constexpr EnumNames<FlashStep> kStepNames[] = {
    {FlashStep::FollowModeEntered, "follow_mode_entered", "EC in follow mode"},
    {FlashStep::Identifying, "identifying", "identifying the flash chip"},
    {FlashStep::RunStarted, "run_started", "starting"},
    {FlashStep::BackedUp, "backed_up", "flash saved"},
    {FlashStep::ChunkStarted, "chunk_started", "starting chunk"},
    {FlashStep::Comparing, "comparing", "comparing"},
    {FlashStep::ChunkUnchanged, "chunk_unchanged", "unchanged"},
    {FlashStep::Erasing, "erasing", "erasing"},
    {FlashStep::BlankChecking, "blank_checking", "blank check"},
    {FlashStep::Programming, "programming", "programming"},
    {FlashStep::Verifying, "verifying", "verifying"},
    {FlashStep::ChunkDone, "chunk_done", "chunk done"},
    {FlashStep::Verified, "verified", "verified"},
    {FlashStep::SumsCompared, "sums_compared", "sums compared"},
    {FlashStep::Ended, "ended", "ended"},
};
static_assert(OneRowPerValue(kStepNames, FlashStep::Ended));

// The words complete "erase: " and "program: " in the chip line.
constexpr EnumNames<EraseKind> kEraseKindNames[] = {
    {EraseKind::Sector1K_D7, "sector_1k_d7", "64 sector erases (D7) of 1 KB per chunk"},
    {EraseKind::Block52Pair, "block_52_pair", "one block erase (52) per 32 KB half"},
    {EraseKind::BlockD8Pair, "block_d8_pair", "one block erase (D8) per 32 KB half"},
    {EraseKind::BlockD8Triple, "block_d8_triple", "block erases (D8), the upper half twice"},
};
static_assert(OneRowPerValue(kEraseKindNames, EraseKind::BlockD8Triple));

constexpr EnumNames<ProgramAlgorithm> kProgramAlgorithmNames[] = {
    {ProgramAlgorithm::Page256, "page256", "256-byte page programs (02)"},
    {ProgramAlgorithm::Page32, "page32", "page programs (02) in 32-byte pieces"},
    {ProgramAlgorithm::AaiByte, "aai_byte", "auto-address-increment byte program (AF)"},
    {ProgramAlgorithm::AaiWord, "aai_word", "auto-address-increment word program (AD)"},
};
static_assert(OneRowPerValue(kProgramAlgorithmNames, ProgramAlgorithm::AaiWord));

}  // namespace

const char* StepName(FlashStep step) { return RowOf(kStepNames, step).name; }
const char* StepWords(FlashStep step) { return RowOf(kStepNames, step).words; }
const char* OutcomeName(FlashOutcome outcome) { return RowOf(kFlashOutcomeNames, outcome).name; }
const char* EraseKindName(EraseKind kind) { return RowOf(kEraseKindNames, kind).name; }
const char* EraseKindWords(EraseKind kind) { return RowOf(kEraseKindNames, kind).words; }
const char* ProgramAlgorithmName(ProgramAlgorithm algorithm) { return RowOf(kProgramAlgorithmNames, algorithm).name; }
const char* ProgramAlgorithmWords(ProgramAlgorithm algorithm) { return RowOf(kProgramAlgorithmNames, algorithm).words; }
