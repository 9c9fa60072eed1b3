// SPDX-License-Identifier: GPL-3.0-or-later
#include "spi/erase.h"

#include "spi/chunk_state.h"
#include "spi/flash_control.h"
#include "spi/follow_link.h"

namespace {

constexpr int kSectorsPerChunk = 64;       // 1 KB sectors
constexpr uint8_t kSectorStep = 0x04;      // 1 KB in the middle address byte
constexpr uint8_t kUpperHalfMiddle = 0x80; // 32 KB in the middle address byte

void EraseAt(EcChannel& ec, const ChipTraits& chip, uint8_t opcode, uint8_t high, uint8_t middle, uint8_t low) {
    if (ec.faulted()) return;
    SPI_SimpleCmd(ec, chip, opcode, high, middle, low);
}

}  // namespace

void SPI_EraseChunk(EcChannel& ec, const ChipTraits& chip, uint8_t high, uint8_t middle, uint8_t low) {
    const uint8_t upper = static_cast<uint8_t>(middle + kUpperHalfMiddle);
    const EraseKind kind = chip.erase;
    switch (kind) {
        case EraseKind::Sector1K_D7:
            // Every sector of every chunk, also past the image end: the verify compares the
            // whole chunk with 0xFF fill there.
            for (int i = 0; i < kSectorsPerChunk; ++i) {
                EraseAt(ec, chip, spi_op::kSectorErase1K, high, static_cast<uint8_t>(middle + kSectorStep * i), low);
            }
            return;
        case EraseKind::Block52Pair:
            EraseAt(ec, chip, spi_op::kBlockErase52, high, middle, low);
            EraseAt(ec, chip, spi_op::kBlockErase52, high, upper, low);
            return;
        case EraseKind::BlockD8Pair:
        case EraseKind::BlockD8Triple:
            EraseAt(ec, chip, spi_op::kBlockEraseD8, high, middle, low);
            EraseAt(ec, chip, spi_op::kBlockEraseD8, high, upper, low);
            if (kind == EraseKind::BlockD8Triple) EraseAt(ec, chip, spi_op::kBlockEraseD8, high, upper, low);
            return;
    }
}

bool SPI_BlankCheck(EcChannel& ec, uint32_t image_bytes, uint8_t high, uint8_t middle, uint8_t low) {
    SPI_OpenFastRead(ec, high, middle, low);
    const uint32_t chunk_start = static_cast<uint32_t>(high) * kChunkBytes;
    bool blank = true;
    for (uint32_t offset = 0; offset < kChunkBytes; ++offset) {
        // Only the image's part of the chunk has to be blank; the end byte is not read.
        if (chunk_start + offset == image_bytes) break;
        const uint8_t byte = FM_Read(ec);
        if (ec.faulted() || byte != 0xFF) {
            blank = false;
            break;
        }
    }
    SPI_WaitReady(ec);  // its select ends the read
    return blank && !ec.faulted();
}
