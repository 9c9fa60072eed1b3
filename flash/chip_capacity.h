#pragma once
// What the identified chip can hold, from its ID: serial flash makers code the capacity as
// a power of two in the third byte of the JEDEC ID. A legacy (0xAB) ID says nothing of it.

#include <cstdint>
#include <optional>

/// The capacity in bytes, 2^n for a third byte n of 0x10 to 0x18 (64 KB to 16 MiB) of a JEDEC
/// ID; nullopt for a legacy ID or any other third byte.
std::optional<uint32_t> ChipCapacityBytes(const uint8_t (&id)[4], bool legacy_id);
/// The same for the chip that the last ID read identified (g_FlashId and the legacy flags).
std::optional<uint32_t> CurrentChipCapacity();

inline constexpr const char* kImageLargerThanChipText = "Bin file larger than flash chip, not flashed!!";

/// False only when the chip's capacity is known and the image is larger.
bool ImageFitsChip(uint64_t image_bytes, std::optional<uint32_t> capacity);

/// Bytes a backup of the chip reads: the capacity when known, otherwise the image rounded up
/// to whole 64 KB chunks (at least one), so every chunk the flash run will erase is in it.
uint32_t BackupBytes(uint64_t image_bytes, std::optional<uint32_t> capacity);
