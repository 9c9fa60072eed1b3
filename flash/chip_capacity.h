// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What an image needs of the identified chip's capacity (the chip record's, see
// spi/chip_id.h): room for it, and a backup of everything the run may erase.

#include <cstdint>
#include <optional>

#include "spi/chip_id.h"

inline constexpr const char* kImageLargerThanChipText = "Bin file larger than flash chip, not flashed!!";

/// False only when the chip's capacity is known and the image is larger.
bool ImageFitsChip(uint64_t image_bytes, std::optional<uint32_t> capacity);

/// Bytes a backup of the chip reads: the capacity when known, otherwise the image rounded up
/// to whole 64 KB chunks (at least one), so every chunk the flash run will erase is in it.
uint32_t BackupBytes(uint64_t image_bytes, std::optional<uint32_t> capacity);
