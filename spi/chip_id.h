#pragma once
// The flash chip's identity, read once per flash run; it selects the variants of erase,
// programming and status handling (spi/chip_variants.h).

#include <cstdint>

extern uint8_t g_FlashId[4];    // answer to the last ID read; byte 0 is the manufacturer
extern uint8_t g_SstLegacy;     // set by the legacy ID read only: its first byte was 0xBF
extern uint8_t g_NonSstLegacy;  // set by the legacy ID read only: its first byte was not 0xBF

/// Reads the 0x9F ID into g_FlashId; a first byte of 0 falls back to the legacy ID read,
/// which replaces all four bytes. Ends with no transaction open.
void SPI_ReadJedecId();
/// Reads the 0xAB ID into g_FlashId and sets exactly one of the two legacy flags.
void SPI_ReadLegacyId();
/// Back to the start-of-program state: ID and both flags zero.
void SPI_ResetChipState();
