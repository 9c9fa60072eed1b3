// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/chip_capacity.h"

#include "spi/chunk_state.h"

bool ImageFitsChip(uint64_t image_bytes, std::optional<uint32_t> capacity) {
    return !capacity || image_bytes <= *capacity;
}

uint32_t BackupBytes(uint64_t image_bytes, std::optional<uint32_t> capacity) {
    if (capacity) return *capacity;
    const uint64_t chunks = image_bytes == 0 ? 1 : (image_bytes + kChunkBytes - 1) / kChunkBytes;
    // The image reader never takes more than 256 chunks; neither does the backup.
    return static_cast<uint32_t>((chunks > 256 ? 256 : chunks) * kChunkBytes);
}
