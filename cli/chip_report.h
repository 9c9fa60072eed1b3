// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The identified flash chip as vantu-cli reports it: the "identified" JSON event and the
// lines a person reads, made from the identification's chip record.

#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "spi/chip_id.h"

/// An ID answer (4 bytes) as 8 uppercase hexadecimal digits.
std::string ChipIdText(const uint8_t* id);
/// The chip's fields (chip_id, legacy_id, capacity, erase, program, chunk_fixup).
nlohmann::json ChipJson(const ChipRecord& chip);
/// The "identified" event: ChipJson() with its event name.
nlohmann::json IdentifiedEvent(const ChipRecord& chip);
/// "flash chip EF4016EF, 4 MiB (4194304 bytes); erase: ...; program: ...".
std::string ChipWords(const ChipRecord& chip);
