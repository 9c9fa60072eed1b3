// SPDX-License-Identifier: GPL-3.0-or-later
#include "spi/program.h"

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
void SendData(EcChannel& ec, ChunkWork& work, uint32_t offset, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        if (work.ImageDone() || ec.faulted()) return;
        FM_Write(ec, work.chunk[offset + i]);
        ++work.bytes_done;
    }
}

// The ready wait's select ends the command, the chip programs and advances its internal
// address; the next command carries data only.
void ProgramAndReopen(EcChannel& ec, uint8_t opcode) {
    SPI_WaitReady(ec);
    FM_Select(ec);
    FM_Opcode(ec, opcode);
}

// The write disable's ready wait ends the last, data-less command and its 0x04 ends the
// auto-increment mode.
void CloseAutoIncrement(EcChannel& ec) {
    SPI_WriteDisable(ec);
    SPI_WaitReady(ec);
}

}  // namespace

void SPI_ProgramPage256(EcChannel& ec, ChunkWork& work, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low) {
    for (uint32_t page = 0; page < kPagesPerChunk; ++page) {
        if (work.ImageDone() || ec.faulted()) break;
        SPI_OpenWriteCommand(ec, chip, spi_op::kPageProgram, high, static_cast<uint8_t>(middle + page), low);
        SendData(ec, work, page * kPageBytes, kPageBytes);
        SPI_WaitReady(ec);  // its select ends the program command, which starts programming
    }
    SPI_WriteDisable(ec);
}

void SPI_ProgramPage32(EcChannel& ec, ChunkWork& work, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low) {
    for (uint32_t page = 0; page < kPagesPerChunk; ++page) {
        if (work.ImageDone() || ec.faulted()) break;
        for (uint32_t piece = 0; piece < kPiecesPerPage; ++piece) {
            if (work.ImageDone() || ec.faulted()) break;
            // The write enable's ready wait ends the previous piece and waits for it.
            SPI_OpenWriteCommand(ec, chip, spi_op::kPageProgram, high, static_cast<uint8_t>(middle + page),
                                 static_cast<uint8_t>(low + kPieceBytes * piece));
            SendData(ec, work, page * kPageBytes + piece * kPieceBytes, kPieceBytes);
        }
        SPI_WaitReady(ec);
    }
    SPI_WriteDisable(ec);
}

void SPI_ProgramAaiByte(EcChannel& ec, ChunkWork& work, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low) {
    SPI_OpenWriteCommand(ec, chip, spi_op::kAaiByteProgram, high, middle, low);
    for (uint32_t offset = 0; offset < kChunkBytes; ++offset) {
        if (work.ImageDone() || ec.faulted()) break;
        FM_Write(ec, work.chunk[offset]);
        ProgramAndReopen(ec, spi_op::kAaiByteProgram);
        ++work.bytes_done;
        if ((offset % kHalfBytes) % kProgressMarkEvery == 0) work.Tell(ChipProgress::Mark);
    }
    CloseAutoIncrement(ec);
}

void SPI_ProgramAaiWord(EcChannel& ec, ChunkWork& work, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low) {
    uint8_t pair_count = 0;
    SPI_OpenWriteCommand(ec, chip, spi_op::kAaiWordProgram, high, middle, low);
    for (uint32_t offset = 0; offset < kChunkBytes; ++offset) {
        // Only complete pairs count, so an odd image size is never met exactly and the last
        // chunk is programmed to its end, 0xFF fill included.
        if (work.ImageDone() || ec.faulted()) break;
        FM_Write(ec, work.chunk[offset]);
        if (++pair_count == 2) {
            pair_count = 0;
            ProgramAndReopen(ec, spi_op::kAaiWordProgram);
            work.bytes_done += 2;
        }
    }
    CloseAutoIncrement(ec);
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

void SPI_ProgramChunk(EcChannel& ec, ChunkWork& work, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low) {
    ProgramFunctionFor(chip.program)(ec, work, chip, high, middle, low);
}
