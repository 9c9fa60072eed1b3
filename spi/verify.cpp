// SPDX-License-Identifier: GPL-3.0-or-later
#include "spi/verify.h"

#include "spi/chunk_state.h"
#include "spi/flash_control.h"
#include "spi/follow_link.h"

namespace {

// Compares one half; false at the first mismatch or fault.
bool VerifyHalf(EcChannel& ec, ChunkWork& work, std::span<const uint8_t> expected) {
    for (uint32_t pos = 0; pos < kHalfBytes; ++pos) {
        const uint8_t byte = FM_Read(ec);
        if (ec.faulted()) return false;
        work.rom_sum += byte;
        if (byte != expected[pos]) return false;
        if (pos % kProgressMarkEvery == 0) work.Tell(ChipProgress::Mark);
    }
    return true;
}

}  // namespace

bool SPI_Verify(EcChannel& ec, ChunkWork& work, uint8_t high, uint8_t middle, uint8_t low) {
    SPI_OpenFastRead(ec, high, middle, low);
    work.Tell(ChipProgress::VerifyStarted);
    // One continuous read over both halves: the fill past the image end is compared too.
    const bool match = VerifyHalf(ec, work, work.chunk.first(kHalfBytes)) && VerifyHalf(ec, work, work.chunk.subspan(kHalfBytes));
    SPI_WaitReady(ec);  // its select ends the read
    const bool passed = match && !ec.faulted();
    work.Tell(passed ? ChipProgress::VerifyPassed : ChipProgress::VerifyFailed);
    return passed;
}

bool SPI_ReadBackChunk(EcChannel& ec, uint8_t high, uint8_t middle, uint8_t low, uint32_t& sum, std::FILE* dump) {
    SPI_OpenFastRead(ec, high, middle, low);
    for (uint32_t i = 0; i < kChunkBytes; ++i) {
        const uint8_t byte = FM_Read(ec);
        if (ec.faulted()) break;
        if (dump != nullptr) std::fputc(byte, dump);
        sum += byte;
    }
    SPI_WaitReady(ec);
    return !ec.faulted();
}

bool SPI_ReadChunk(EcChannel& ec, uint8_t high, uint8_t middle, uint8_t low, uint8_t* out) {
    SPI_OpenFastRead(ec, high, middle, low);
    for (uint32_t i = 0; i < kChunkBytes && !ec.faulted(); ++i) out[i] = FM_Read(ec);
    SPI_WaitReady(ec);
    return !ec.faulted();
}

ChunkComparison SPI_CompareChunk(EcChannel& ec, std::span<const uint8_t> expected, uint8_t high, uint8_t middle, uint8_t low) {
    ChunkComparison comparison;
    SPI_OpenFastRead(ec, high, middle, low);
    for (uint32_t offset = 0; offset < kChunkBytes; ++offset) {
        const uint8_t byte = FM_Read(ec);
        if (ec.faulted()) break;
        comparison.sum += byte;
        // The rest of a chunk that differs is of no use to anyone: stop reading there.
        if (byte != expected[offset]) {
            comparison.first_difference = offset;
            break;
        }
    }
    SPI_WaitReady(ec);  // its select ends the read
    comparison.faulted = ec.faulted();
    return comparison;
}
