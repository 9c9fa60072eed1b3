// SPDX-License-Identifier: GPL-3.0-or-later
#include "spi/verify.h"

#include "hw/hw_fault.h"
#include "spi/chunk_state.h"
#include "spi/flash_control.h"
#include "spi/follow_link.h"

namespace {

// Compares one half; false at the first mismatch or fault.
bool VerifyHalf(ChunkWork& work, std::span<const uint8_t> expected) {
    for (uint32_t pos = 0; pos < kHalfBytes; ++pos) {
        const uint8_t byte = FM_Read();
        if (HW_Faulted()) return false;
        work.rom_sum += byte;
        if (byte != expected[pos]) return false;
        if (pos % kProgressMarkEvery == 0) work.Tell(ChipProgress::Mark);
    }
    return true;
}

}  // namespace

bool SPI_Verify(ChunkWork& work, uint8_t high, uint8_t middle, uint8_t low) {
    SPI_OpenFastRead(high, middle, low);
    work.Tell(ChipProgress::VerifyStarted);
    // One continuous read over both halves: the fill past the image end is compared too.
    const bool match = VerifyHalf(work, work.chunk.first(kHalfBytes)) && VerifyHalf(work, work.chunk.subspan(kHalfBytes));
    SPI_WaitReady();  // its select ends the read
    const bool passed = match && !HW_Faulted();
    work.Tell(passed ? ChipProgress::VerifyPassed : ChipProgress::VerifyFailed);
    return passed;
}

bool SPI_ReadBackChunk(uint8_t high, uint8_t middle, uint8_t low, uint32_t& sum, std::FILE* dump) {
    SPI_OpenFastRead(high, middle, low);
    for (uint32_t i = 0; i < kChunkBytes; ++i) {
        const uint8_t byte = FM_Read();
        if (HW_Faulted()) break;
        if (dump != nullptr) std::fputc(byte, dump);
        sum += byte;
    }
    SPI_WaitReady();
    return !HW_Faulted();
}

bool SPI_ReadChunk(uint8_t high, uint8_t middle, uint8_t low, uint8_t* out) {
    SPI_OpenFastRead(high, middle, low);
    for (uint32_t i = 0; i < kChunkBytes && !HW_Faulted(); ++i) out[i] = FM_Read();
    SPI_WaitReady();
    return !HW_Faulted();
}

ChunkComparison SPI_CompareChunk(std::span<const uint8_t> expected, uint8_t high, uint8_t middle, uint8_t low) {
    ChunkComparison comparison;
    SPI_OpenFastRead(high, middle, low);
    for (uint32_t offset = 0; offset < kChunkBytes; ++offset) {
        const uint8_t byte = FM_Read();
        if (HW_Faulted()) break;
        comparison.sum += byte;
        // The rest of a chunk that differs is of no use to anyone: stop reading there.
        if (byte != expected[offset]) {
            comparison.first_difference = offset;
            break;
        }
    }
    SPI_WaitReady();  // its select ends the read
    comparison.faulted = HW_Faulted();
    return comparison;
}

std::FILE* SPI_OpenDump(const char* path) { return std::fopen(path, "wb"); }

bool SPI_CloseDump(std::FILE*& dump) {
    bool written = false;
    if (dump != nullptr) {
        // A full disk shows only as a stream error or a failed close.
        written = std::ferror(dump) == 0;
        written = std::fclose(dump) == 0 && written;
    }
    dump = nullptr;
    return written;
}
