// SPDX-License-Identifier: GPL-3.0-or-later
#include "spi/flash_control.h"

#include "platform/clock.h"
#include "spi/follow_link.h"

namespace {

constexpr uint32_t kFixupSettleMs = 100;

void OpenStatusRead(EcChannel& ec) {
    FM_Select(ec);
    FM_Opcode(ec, spi_op::kReadStatus);
}

// Unprotect and Protect differ only in the value written.
void WriteProtectionStatus(EcChannel& ec, const ChipTraits& chip, uint8_t value) {
    SPI_WaitReady(ec);
    FM_Select(ec);
    FM_Opcode(ec, spi_op::kWriteEnable);
    OpenStatusRead(ec);
    SPI_PollStatus(ec, [](uint8_t s) { return (s & status_bits::kWriteEnabled) != 0; });
    if (chip.write_status_enable) {
        FM_Select(ec);
        FM_Opcode(ec, spi_op::kEnableWriteStatus);
    }
    FM_Select(ec);
    FM_Opcode(ec, spi_op::kWriteStatus);
    FM_Write(ec, value);
    // The select of the ready wait ends the write-status transaction, which starts the write.
    SPI_WaitReady(ec);
}

void WriteFixupStatusPair(EcChannel& ec) {
    SPI_WaitReady(ec);
    FM_Select(ec);
    FM_Opcode(ec, spi_op::kWriteStatus);
    FM_Write(ec, 0x00);
    FM_Write(ec, 0x02);
    SleepMs(kFixupSettleMs);
}

}  // namespace

void SPI_WaitReady(EcChannel& ec) {
    OpenStatusRead(ec);
    SPI_PollStatus(ec, [](uint8_t s) { return (s & status_bits::kBusy) == 0; });
    FM_Deselect(ec);
}

void SPI_WriteEnable(EcChannel& ec, const ChipTraits& chip) {
    SPI_WaitReady(ec);
    FM_Select(ec);
    FM_Opcode(ec, spi_op::kWriteEnable);
    if (chip.write_status_enable) {
        FM_Select(ec);
        FM_Opcode(ec, spi_op::kEnableWriteStatus);
    }
    OpenStatusRead(ec);
    // Latch set and not busy; other bits (protection) do not matter.
    SPI_PollStatus(ec, [](uint8_t s) {
        return (s & (status_bits::kWriteEnabled | status_bits::kBusy)) == status_bits::kWriteEnabled;
    });
    FM_Deselect(ec);
}

void SPI_WriteDisable(EcChannel& ec) {
    SPI_WaitReady(ec);
    FM_Select(ec);
    FM_Opcode(ec, spi_op::kWriteDisable);
    OpenStatusRead(ec);
    SPI_PollStatus(ec, [](uint8_t s) { return (s & status_bits::kWriteEnabled) == 0; });
    FM_Deselect(ec);
}

void SPI_Unprotect(EcChannel& ec, const ChipTraits& chip) { WriteProtectionStatus(ec, chip, status_value::kUnprotected); }
void SPI_Protect(EcChannel& ec, const ChipTraits& chip) { WriteProtectionStatus(ec, chip, status_value::kProtected); }

void SPI_OpenWriteCommand(EcChannel& ec, const ChipTraits& chip, uint8_t opcode, uint8_t high, uint8_t middle, uint8_t low) {
    SPI_WriteEnable(ec, chip);
    FM_Select(ec);
    FM_Opcode(ec, opcode);
    FM_Write(ec, high);
    FM_Write(ec, middle);
    FM_Write(ec, low);
}

void SPI_SimpleCmd(EcChannel& ec, const ChipTraits& chip, uint8_t opcode, uint8_t high, uint8_t middle, uint8_t low) {
    SPI_OpenWriteCommand(ec, chip, opcode, high, middle, low);
    FM_Deselect(ec);
    SPI_WaitReady(ec);
}

void SPI_OpenFastRead(EcChannel& ec, uint8_t high, uint8_t middle, uint8_t low) {
    SPI_WriteDisable(ec);
    SPI_WaitReady(ec);
    FM_Select(ec);
    FM_Opcode(ec, spi_op::kFastRead);
    FM_Write(ec, high);
    FM_Write(ec, middle);
    FM_Write(ec, low);
    FM_Write(ec, 0x00);  // dummy byte of the fast read
}

void SPI_ChunkFixup(EcChannel& ec, const ChipTraits& chip) {
    if (!chip.chunk_fixup) return;
    SPI_WriteEnable(ec, chip);
    // Each status write is ended by the select of the next ready wait, after the settle time.
    WriteFixupStatusPair(ec);
    WriteFixupStatusPair(ec);
    SPI_WaitReady(ec);
    FM_Select(ec);
    FM_Opcode(ec, spi_op::kEnableWriteStatus);
    SleepMs(kFixupSettleMs);
    SPI_WriteDisable(ec);
    SPI_WaitReady(ec);
    SleepMs(kFixupSettleMs);
    FM_Deselect(ec);
}
