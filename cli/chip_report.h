#pragma once
// The identified flash chip as vantu-cli reports it: the "identified" JSON event and the
// lines a person reads. Made from g_FlashId, the legacy flags and g_Chip after an ID read.

#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

/// The ID answer as 8 uppercase hexadecimal digits.
std::string ChipIdText();
/// The chip's fields (chip_id, legacy_id, capacity, erase, program, chunk_fixup).
nlohmann::json ChipJson();
/// The "identified" event: ChipJson() with its event name.
nlohmann::json IdentifiedEvent();
/// "flash chip EF4016EF, 4 MiB (4194304 bytes); erase: ...; program: ...".
std::string ChipWords();
/// "4 MiB", "512 KB", "100 bytes".
std::string SizeWords(uint64_t bytes);
