// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/chip_report.h"

#include "cli/names.h"
#include "cli/words.h"

std::string ChipIdText(const uint8_t* id) {
    return HexText((uint32_t{id[0]} << 24) | (uint32_t{id[1]} << 16) | (uint32_t{id[2]} << 8) | id[3], 8);
}

nlohmann::json ChipJson(const ChipRecord& chip) {
    const std::optional<uint32_t> capacity = chip.capacity;
    return {
        {"chip_id", ChipIdText(chip.id.data())},
        {"legacy_id", chip.legacy_id()},
        {"capacity", capacity ? nlohmann::json(*capacity) : nlohmann::json(nullptr)},
        {"erase", EraseKindName(chip.traits.erase)},
        {"program", ProgramAlgorithmName(chip.traits.program)},
        {"chunk_fixup", chip.traits.chunk_fixup},
    };
}

nlohmann::json IdentifiedEvent(const ChipRecord& chip) {
    nlohmann::json event = ChipJson(chip);
    event["event"] = "identified";
    return event;
}

std::string ChipWords(const ChipRecord& chip) {
    const std::optional<uint32_t> capacity = chip.capacity;
    std::string words = "flash chip " + ChipIdText(chip.id.data());
    if (chip.legacy_id()) words += " (legacy ID)";
    words += capacity ? ", " + SizeWords(*capacity) + " (" + std::to_string(*capacity) + " bytes)"
                      : ", capacity not given by its ID";
    words += "; erase: " + std::string(EraseKindWords(chip.traits.erase)) +
             "; program: " + ProgramAlgorithmWords(chip.traits.program);
    if (chip.traits.chunk_fixup) words += "; status register fixed after every chunk";
    return words;
}
