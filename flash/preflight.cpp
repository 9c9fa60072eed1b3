// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/preflight.h"

#include <cstdio>

#include "hw/ec_ports.h"
#include "spi/chunk_state.h"

namespace {
constexpr uint8_t kFirstLinkCommand = 0x01;  // select
constexpr uint8_t kLastLinkCommand = 0x05;   // deselect
}  // namespace

bool IsFollowLinkCommand(uint8_t command) { return command >= kFirstLinkCommand && command <= kLastLinkCommand; }

std::string EndCommandRefusal(int32_t flash_end_cmd) {
    const auto command = static_cast<uint8_t>(flash_end_cmd);
    if (!IsFollowLinkCommand(command)) return {};
    char text[128];
    std::snprintf(text, sizeof text,
                  "FlashEnd CMD 0x%02X is a follow mode command and would never release the EC, "
                  "pls check uiset.ini!!",
                  unsigned{command});
    return text;
}

std::string FlashStartRefusal(const EcPorts& ports, int32_t flash_end_cmd) {
    std::string refusal = EC_PortsInUseError(ports);
    if (refusal.empty()) refusal = EndCommandRefusal(flash_end_cmd);
    return refusal;
}

bool ImageFitsChip(uint64_t image_bytes, std::optional<uint32_t> capacity) {
    return !capacity || image_bytes <= *capacity;
}

uint32_t BackupBytes(uint64_t image_bytes, std::optional<uint32_t> capacity) {
    if (capacity) return *capacity;
    const uint64_t chunks = image_bytes == 0 ? 1 : (image_bytes + kChunkBytes - 1) / kChunkBytes;
    // The image reader never takes more than 256 chunks; neither does the backup.
    return static_cast<uint32_t>((chunks > 256 ? 256 : chunks) * kChunkBytes);
}

BeforeEraseOutcome CheckBeforeFirstErase(EcChannel& ec, const ChipRecord& chip, uint64_t image_bytes, BackupPlan where) {
    BeforeEraseOutcome outcome;
    const std::optional<uint32_t> capacity = chip.capacity;
    if (!ImageFitsChip(image_bytes, capacity)) {
        outcome.status = BeforeEraseStatus::ImageLargerThanChip;
        outcome.status_line = kImageLargerThanChipText;
        outcome.error_line = "vantu: the image has " + std::to_string(image_bytes) + " bytes, the flash chip " +
                             std::to_string(*capacity) + "; nothing was erased";
        return outcome;
    }
    where.bytes = BackupBytes(image_bytes, capacity);
    for (int i = 0; i < 3; ++i) where.id[i] = chip.id[i];
    outcome.backup = BackupFlash(ec, where);
    if (outcome.backup.status != BackupStatus::Written) outcome.status = BeforeEraseStatus::BackupFailed;
    outcome.status_line = BackupStatusLine(outcome.backup);
    outcome.error_line = BackupErrorLine(outcome.backup);
    return outcome;
}
