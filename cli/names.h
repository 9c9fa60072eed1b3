// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The names vantu-cli prints for the engine's values: short snake_case names for JSON and
// scripts, and words for a person. Each enum's names are one table; the outcome's sits beside
// the outcome, whose words the core's logs share.

#include "flash/flash_events.h"
#include "flash/flash_result.h"
#include "spi/chip_id.h"

/// "follow_mode_entered", "chunk_started", ... as JSON events carry them.
const char* StepName(FlashStep step);
/// What a person reads while the step runs ("erasing", "programming", ...).
const char* StepWords(FlashStep step);
/// "passed", "verify_failed", ... as the result object carries it.
const char* OutcomeName(FlashOutcome outcome);
/// "sector_1k_d7", "block_d8_pair", ...
const char* EraseKindName(EraseKind kind);
/// "64 sector erases (D7) of 1 KB", ...
const char* EraseKindWords(EraseKind kind);
/// "page256", "page32", "aai_byte", "aai_word".
const char* ProgramAlgorithmName(ProgramAlgorithm algorithm);
/// "256-byte page programs (02)", ...
const char* ProgramAlgorithmWords(ProgramAlgorithm algorithm);
