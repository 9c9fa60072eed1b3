// SPDX-License-Identifier: GPL-3.0-or-later
// The chip profiles as one table of data: ID answers, page size, the optional opcodes each
// chip takes and the traits a host must resolve to flash it. The 0xFF chip's 0xD7 erases
// 1 KB sectors, so 64 of them cover a chunk.

#include "sim/sim_device.h"

namespace sim {
namespace {

constexpr uint16_t kAnyBlockErase = kTakesErase32K | kTakesErase64K;

// SST parts take 0x02 as a single-byte program (page size 1): a host that sends them
// 256-byte pages programs one byte over and over and fails its verify.
constexpr ChipProfile kProfiles[] = {
    {ChipKind::SstJedec, "sst-jedec", {0xBF, 0x25, 0x8E, 0xBF}, {0xBF, 0x8E, 0xBF, 0x8E},
     kTakesPageProgram | kTakesAaiWord | kAnyBlockErase, 1,
     {EraseKind::BlockD8Pair, ProgramAlgorithm::AaiWord, false, true}},
    {ChipKind::SstLegacy, "sst-legacy", {0x00, 0x00, 0x00, 0x00}, {0xBF, 0x48, 0xBF, 0x48},
     kTakesPageProgram | kTakesAaiByte | kTakesErase32K, 1,
     {EraseKind::Block52Pair, ProgramAlgorithm::AaiByte, false, true}},
    {ChipKind::Mx32Pieces, "mx-32", {0xC2, 0x20, 0x10, 0xC2}, {0x05, 0x05, 0x05, 0x05},
     kTakesPageProgram | kAnyBlockErase, 32,
     {EraseKind::BlockD8Pair, ProgramAlgorithm::Page32, false, false}},
    {ChipKind::Mx, "mx", {0xC2, 0x20, 0x16, 0xC2}, {0x15, 0x15, 0x15, 0x15},
     kTakesPageProgram | kAnyBlockErase, 256,
     {EraseKind::BlockD8Pair, ProgramAlgorithm::Page256, false, false}},
    {ChipKind::Gd, "gd", {0xC8, 0x40, 0x14, 0xC8}, {0x13, 0x13, 0x13, 0x13},
     kTakesPageProgram | kAnyBlockErase, 256,
     {EraseKind::BlockD8Pair, ProgramAlgorithm::Page256, true, false}},
    {ChipKind::AllFF, "ff", {0xFF, 0xFF, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF, 0xFF},
     kTakesAaiWord | kTakesErase1K | kAnyBlockErase, 256,
     {EraseKind::Sector1K_D7, ProgramAlgorithm::AaiWord, false, false}},
    {ChipKind::Winbond, "winbond", {0xEF, 0x40, 0x16, 0xEF}, {0x15, 0x15, 0x15, 0x15},
     kTakesPageProgram | kAnyBlockErase, 256,
     {EraseKind::BlockD8Pair, ProgramAlgorithm::Page256, false, false}},
    {ChipKind::LegacyOther, "legacy-other", {0x00, 0x00, 0x00, 0x00}, {0x9D, 0x7F, 0x9D, 0x7F},
     kTakesPageProgram | kTakesErase64K, 256,
     {EraseKind::BlockD8Triple, ProgramAlgorithm::Page256, false, false}},
};
}  // namespace

std::span<const ChipProfile> ChipProfiles() { return kProfiles; }

const ChipProfile& ProfileOf(ChipKind kind) {
    for (const ChipProfile& profile : kProfiles) {
        if (profile.kind == kind) return profile;
    }
    return kProfiles[0];
}

std::array<uint8_t, 4> JedecIdOf(const Config& config) {
    if (!config.jedec_id) return ProfileOf(config.chip).jedec_id;
    const auto& id = *config.jedec_id;
    return {id[0], id[1], id[2], id[0]};
}

uint32_t FlashSizeOf(const Config& config) {
    if (config.flash_size != 0) return config.flash_size;
    // Serial flash makers code the capacity as a power of two in the third ID byte.
    const uint8_t capacity_code = JedecIdOf(config)[2];
    if (capacity_code >= 0x10 && capacity_code <= 0x18) return 1u << capacity_code;
    return 16u << 20;
}

std::optional<ChipKind> ChipKindByName(const std::string& name) {
    for (const ChipProfile& profile : kProfiles) {
        if (name == profile.name) return profile.kind;
    }
    return std::nullopt;
}

}  // namespace sim
