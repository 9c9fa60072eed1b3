#include "cli/chip_report.h"

#include "cli/names.h"
#include "cli/words.h"
#include "flash/chip_capacity.h"
#include "spi/chip_id.h"

std::string ChipIdText(const uint8_t* id) {
    if (id == nullptr) id = g_FlashId;
    return HexText((uint32_t{id[0]} << 24) | (uint32_t{id[1]} << 16) | (uint32_t{id[2]} << 8) | id[3], 8);
}

nlohmann::json ChipJson() {
    const std::optional<uint32_t> capacity = CurrentChipCapacity();
    return {
        {"chip_id", ChipIdText()},
        {"legacy_id", g_SstLegacy != 0 || g_NonSstLegacy != 0},
        {"capacity", capacity ? nlohmann::json(*capacity) : nlohmann::json(nullptr)},
        {"erase", EraseKindName(g_Chip.erase)},
        {"program", ProgramAlgorithmName(g_Chip.program)},
        {"chunk_fixup", g_Chip.chunk_fixup},
    };
}

nlohmann::json IdentifiedEvent() {
    nlohmann::json event = ChipJson();
    event["event"] = "identified";
    return event;
}

std::string ChipWords() {
    const std::optional<uint32_t> capacity = CurrentChipCapacity();
    std::string words = "flash chip " + ChipIdText();
    if (g_SstLegacy != 0 || g_NonSstLegacy != 0) words += " (legacy ID)";
    words += capacity ? ", " + SizeWords(*capacity) + " (" + std::to_string(*capacity) + " bytes)"
                      : ", capacity not given by its ID";
    words += "; erase: " + std::string(EraseKindWords(g_Chip.erase)) +
             "; program: " + ProgramAlgorithmWords(g_Chip.program);
    if (g_Chip.chunk_fixup) words += "; status register fixed after every chunk";
    return words;
}
