#include "spi/chip_id.h"

#include "spi/flash_control.h"
#include "spi/follow_link.h"
#include "spi/spi_opcodes.h"

uint8_t g_FlashId[4] = {0, 0, 0, 0};
uint8_t g_SstLegacy = 0;
uint8_t g_NonSstLegacy = 0;

namespace {

void ReadFourIdBytes() {
    for (uint8_t& byte : g_FlashId) byte = FM_Read();
}

}  // namespace

void SPI_ReadJedecId() {
    g_FlashId[0] = 0;
    SPI_WaitReady();
    FM_Select();
    FM_Opcode(spi_op::kJedecId);
    ReadFourIdBytes();
    // The legacy read starts while the 0x9F transaction is open: its select ends it, so the
    // deselect below is a second one in a row, which the EC ignores.
    if (g_FlashId[0] == 0) SPI_ReadLegacyId();
    FM_Deselect();
}

void SPI_ReadLegacyId() {
    SPI_WaitReady();
    FM_Select();
    FM_Opcode(spi_op::kLegacyId);
    for (int i = 0; i < 3; ++i) FM_Write(0x00);
    ReadFourIdBytes();
    const bool sst = g_FlashId[0] == 0xBF;
    g_SstLegacy = sst ? 1 : 0;
    g_NonSstLegacy = sst ? 0 : 1;
    FM_Deselect();
}

void SPI_ResetChipState() {
    for (uint8_t& byte : g_FlashId) byte = 0;
    g_SstLegacy = 0;
    g_NonSstLegacy = 0;
}
