#include "hw/hw_fault.h"
#include "spi/chunk_state.h"
#include "spi/flash_control.h"
#include "spi/follow_link.h"
#include "spi/program.h"
#include "spi/spi_opcodes.h"

namespace {

constexpr uint32_t kPagesPerChunk = 256;
constexpr uint32_t kPageBytes = 256;
constexpr uint32_t kPieceBytes = 32;
constexpr uint32_t kPiecesPerPage = kPageBytes / kPieceBytes;

// Sends up to `count` chunk bytes from `offset`, stopping at the image end or on a fault.
void SendData(uint32_t offset, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        if (SPI_ImageDone() || HW_Faulted()) return;
        FM_Write(ChunkByte(offset + i));
        ++g_BytesDone;
    }
}

}  // namespace

void SPI_ProgramPage256(uint8_t high, uint8_t middle, uint8_t low) {
    for (uint32_t page = 0; page < kPagesPerChunk; ++page) {
        if (SPI_ImageDone() || HW_Faulted()) break;
        SPI_OpenWriteCommand(spi_op::kPageProgram, high, static_cast<uint8_t>(middle + page), low);
        SendData(page * kPageBytes, kPageBytes);
        SPI_WaitReady();  // its select ends the program command, which starts programming
    }
    SPI_WriteDisable();
}

void SPI_ProgramPage32(uint8_t high, uint8_t middle, uint8_t low) {
    for (uint32_t page = 0; page < kPagesPerChunk; ++page) {
        if (SPI_ImageDone() || HW_Faulted()) break;
        for (uint32_t piece = 0; piece < kPiecesPerPage; ++piece) {
            if (SPI_ImageDone() || HW_Faulted()) break;
            // The write enable's ready wait ends the previous piece and waits for it.
            SPI_OpenWriteCommand(spi_op::kPageProgram, high, static_cast<uint8_t>(middle + page),
                            static_cast<uint8_t>(low + kPieceBytes * piece));
            SendData(page * kPageBytes + piece * kPieceBytes, kPieceBytes);
        }
        SPI_WaitReady();
    }
    SPI_WriteDisable();
}
