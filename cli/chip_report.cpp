#include "cli/chip_report.h"

#include <cstdio>

#include "cli/names.h"
#include "flash/chip_capacity.h"
#include "spi/chip_id.h"

std::string ChipIdText() {
    char text[16];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X", g_FlashId[0], g_FlashId[1], g_FlashId[2], g_FlashId[3]);
    return text;
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

std::string SizeWords(uint64_t bytes) {
    if (bytes >= (1u << 20) && bytes % (1u << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
    if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KB";
    return std::to_string(bytes) + " bytes";
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
