#include "flash/chip_capacity.h"

#include "spi/chip_id.h"
#include "spi/chunk_state.h"

std::optional<uint32_t> ChipCapacityBytes(const uint8_t (&id)[4], bool legacy_id) {
    if (legacy_id) return std::nullopt;
    const uint8_t code = id[2];
    if (code < 0x10 || code > 0x18) return std::nullopt;
    return uint32_t{1} << code;
}

std::optional<uint32_t> CurrentChipCapacity() {
    return ChipCapacityBytes(g_FlashId, g_SstLegacy != 0 || g_NonSstLegacy != 0);
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
