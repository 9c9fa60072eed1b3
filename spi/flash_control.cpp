// SPDX-License-Identifier: GPL-3.0-or-later
#include "spi/flash_control.h"

#include "platform/clock.h"
#include "spi/follow_link.h"

namespace {

constexpr uint32_t kFixupSettleMs = 100;

void OpenStatusRead() {
    FM_Select();
    FM_Opcode(spi_op::kReadStatus);
}

// Unprotect and Protect differ only in the value written.
void WriteProtectionStatus(const ChipTraits& chip, uint8_t value) {
    SPI_WaitReady();
    FM_Select();
    FM_Opcode(spi_op::kWriteEnable);
    OpenStatusRead();
    SPI_PollStatus([](uint8_t s) { return (s & status_bits::kWriteEnabled) != 0; });
    if (chip.write_status_enable) {
        FM_Select();
        FM_Opcode(spi_op::kEnableWriteStatus);
    }
    FM_Select();
    FM_Opcode(spi_op::kWriteStatus);
    FM_Write(value);
    // The select of the ready wait ends the write-status transaction, which starts the write.
    SPI_WaitReady();
}

void WriteFixupStatusPair() {
    SPI_WaitReady();
    FM_Select();
    FM_Opcode(spi_op::kWriteStatus);
    FM_Write(0x00);
    FM_Write(0x02);
    SleepMs(kFixupSettleMs);
}

}  // namespace

void SPI_WaitReady() {
    OpenStatusRead();
    SPI_PollStatus([](uint8_t s) { return (s & status_bits::kBusy) == 0; });
    FM_Deselect();
}

void SPI_WriteEnable(const ChipTraits& chip) {
    SPI_WaitReady();
    FM_Select();
    FM_Opcode(spi_op::kWriteEnable);
    if (chip.write_status_enable) {
        FM_Select();
        FM_Opcode(spi_op::kEnableWriteStatus);
    }
    OpenStatusRead();
    // Latch set and not busy; other bits (protection) do not matter.
    SPI_PollStatus([](uint8_t s) {
        return (s & (status_bits::kWriteEnabled | status_bits::kBusy)) == status_bits::kWriteEnabled;
    });
    FM_Deselect();
}

void SPI_WriteDisable() {
    SPI_WaitReady();
    FM_Select();
    FM_Opcode(spi_op::kWriteDisable);
    OpenStatusRead();
    SPI_PollStatus([](uint8_t s) { return (s & status_bits::kWriteEnabled) == 0; });
    FM_Deselect();
}

void SPI_Unprotect(const ChipTraits& chip) { WriteProtectionStatus(chip, status_value::kUnprotected); }
void SPI_Protect(const ChipTraits& chip) { WriteProtectionStatus(chip, status_value::kProtected); }

void SPI_OpenWriteCommand(const ChipTraits& chip, uint8_t opcode, uint8_t high, uint8_t middle, uint8_t low) {
    SPI_WriteEnable(chip);
    FM_Select();
    FM_Opcode(opcode);
    FM_Write(high);
    FM_Write(middle);
    FM_Write(low);
}

void SPI_SimpleCmd(const ChipTraits& chip, uint8_t opcode, uint8_t high, uint8_t middle, uint8_t low) {
    SPI_OpenWriteCommand(chip, opcode, high, middle, low);
    FM_Deselect();
    SPI_WaitReady();
}

void SPI_OpenFastRead(uint8_t high, uint8_t middle, uint8_t low) {
    SPI_WriteDisable();
    SPI_WaitReady();
    FM_Select();
    FM_Opcode(spi_op::kFastRead);
    FM_Write(high);
    FM_Write(middle);
    FM_Write(low);
    FM_Write(0x00);  // dummy byte of the fast read
}

void SPI_ChunkFixup(const ChipTraits& chip) {
    if (!chip.chunk_fixup) return;
    SPI_WriteEnable(chip);
    // Each status write is ended by the select of the next ready wait, after the settle time.
    WriteFixupStatusPair();
    WriteFixupStatusPair();
    SPI_WaitReady();
    FM_Select();
    FM_Opcode(spi_op::kEnableWriteStatus);
    SleepMs(kFixupSettleMs);
    SPI_WriteDisable();
    SPI_WaitReady();
    SleepMs(kFixupSettleMs);
    FM_Deselect();
}
