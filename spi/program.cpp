// SPDX-License-Identifier: GPL-3.0-or-later
#include "spi/program.h"

#include "hw/hw_fault.h"
#include "spi/chip_id.h"
#include "spi/chunk_state.h"
#include "spi/flash_control.h"
#include "spi/follow_link.h"

namespace {

constexpr uint32_t kPagesPerChunk = 256;
constexpr uint32_t kPageBytes = 256;
constexpr uint32_t kPieceBytes = 32;
constexpr uint32_t kPiecesPerPage = kPageBytes / kPieceBytes;

// Sends up to `count` chunk bytes from `offset`, stopping at the image end or on a fault.
void SendData(ChunkWork& work, uint32_t offset, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        if (work.ImageDone() || HW_Faulted()) return;
        FM_Write(work.chunk[offset + i]);
        ++work.bytes_done;
    }
}

// The ready wait's select ends the command, the chip programs and advances its internal
// address; the next command carries data only.
void ProgramAndReopen(uint8_t opcode) {
    SPI_WaitReady();
    FM_Select();
    FM_Opcode(opcode);
}

// The write disable's ready wait ends the last, data-less command and its 0x04 ends the
// auto-increment mode.
void CloseAutoIncrement() {
    SPI_WriteDisable();
    SPI_WaitReady();
}

}  // namespace

void SPI_ProgramPage256(ChunkWork& work, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low) {
    for (uint32_t page = 0; page < kPagesPerChunk; ++page) {
        if (work.ImageDone() || HW_Faulted()) break;
        SPI_OpenWriteCommand(chip, spi_op::kPageProgram, high, static_cast<uint8_t>(middle + page), low);
        SendData(work, page * kPageBytes, kPageBytes);
        SPI_WaitReady();  // its select ends the program command, which starts programming
    }
    SPI_WriteDisable();
}

void SPI_ProgramPage32(ChunkWork& work, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low) {
    for (uint32_t page = 0; page < kPagesPerChunk; ++page) {
        if (work.ImageDone() || HW_Faulted()) break;
        for (uint32_t piece = 0; piece < kPiecesPerPage; ++piece) {
            if (work.ImageDone() || HW_Faulted()) break;
            // The write enable's ready wait ends the previous piece and waits for it.
            SPI_OpenWriteCommand(chip, spi_op::kPageProgram, high, static_cast<uint8_t>(middle + page),
                                 static_cast<uint8_t>(low + kPieceBytes * piece));
            SendData(work, page * kPageBytes + piece * kPieceBytes, kPieceBytes);
        }
        SPI_WaitReady();
    }
    SPI_WriteDisable();
}

void SPI_ProgramAaiByte(ChunkWork& work, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low) {
    SPI_OpenWriteCommand(chip, spi_op::kAaiByteProgram, high, middle, low);
    for (uint32_t offset = 0; offset < kChunkBytes; ++offset) {
        if (work.ImageDone() || HW_Faulted()) break;
        FM_Write(work.chunk[offset]);
        ProgramAndReopen(spi_op::kAaiByteProgram);
        ++work.bytes_done;
        if ((offset % kHalfBytes) % kProgressMarkEvery == 0) work.Tell(ChipProgress::Mark);
    }
    CloseAutoIncrement();
}

void SPI_ProgramAaiWord(ChunkWork& work, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low) {
    uint8_t pair_count = 0;
    SPI_OpenWriteCommand(chip, spi_op::kAaiWordProgram, high, middle, low);
    for (uint32_t offset = 0; offset < kChunkBytes; ++offset) {
        // Only complete pairs count, so an odd image size is never met exactly and the last
        // chunk is programmed to its end, 0xFF fill included.
        if (work.ImageDone() || HW_Faulted()) break;
        FM_Write(work.chunk[offset]);
        if (++pair_count == 2) {
            pair_count = 0;
            ProgramAndReopen(spi_op::kAaiWordProgram);
            work.bytes_done += 2;
        }
    }
    CloseAutoIncrement();
}

ProgramFunction ProgramFunctionFor(ProgramAlgorithm algorithm) {
    switch (algorithm) {
        case ProgramAlgorithm::Page256: return SPI_ProgramPage256;
        case ProgramAlgorithm::Page32: return SPI_ProgramPage32;
        case ProgramAlgorithm::AaiByte: return SPI_ProgramAaiByte;
        case ProgramAlgorithm::AaiWord: return SPI_ProgramAaiWord;
    }
    return SPI_ProgramPage256;  // unreachable with a valid enum value
}

void SPI_ProgramChunk(ChunkWork& work, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low) {
    ProgramFunctionFor(chip.program)(work, chip, high, middle, low);
}
