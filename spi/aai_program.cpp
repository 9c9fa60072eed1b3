#include "hw/hw_fault.h"
#include "spi/chunk_state.h"
#include "spi/flash_control.h"
#include "spi/follow_link.h"
#include "spi/program.h"
#include "spi/progress_out.h"
#include "spi/spi_opcodes.h"

namespace {

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

void SPI_ProgramAaiByte(uint8_t high, uint8_t middle, uint8_t low) {
    SPI_OpenWriteCommand(spi_op::kAaiByteProgram, high, middle, low);
    for (uint32_t offset = 0; offset < kChunkBytes; ++offset) {
        if (SPI_ImageDone() || HW_Faulted()) break;
        FM_Write(ChunkByte(offset));
        ProgramAndReopen(spi_op::kAaiByteProgram);
        ++g_BytesDone;
        if ((offset % kHalfBytes) % kProgressMarkEvery == 0) SPI_PrintProgressMark();
    }
    CloseAutoIncrement();
}

void SPI_ProgramAaiWord(uint8_t high, uint8_t middle, uint8_t low) {
    uint8_t pair_count = 0;
    SPI_OpenWriteCommand(spi_op::kAaiWordProgram, high, middle, low);
    for (uint32_t offset = 0; offset < kChunkBytes; ++offset) {
        // Only complete pairs count, so an odd image size is never met exactly and the last
        // chunk is programmed to its end, 0xFF fill included.
        if (SPI_ImageDone() || HW_Faulted()) break;
        FM_Write(ChunkByte(offset));
        if (++pair_count == 2) {
            pair_count = 0;
            ProgramAndReopen(spi_op::kAaiWordProgram);
            g_BytesDone += 2;
        }
    }
    CloseAutoIncrement();
}
