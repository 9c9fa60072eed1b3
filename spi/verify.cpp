#include "spi/verify.h"

#include "hw/hw_fault.h"
#include "spi/chunk_state.h"
#include "spi/flash_control.h"
#include "spi/follow_link.h"

uint32_t g_RomSum = 0;
std::FILE* g_DumpFile = nullptr;
uint8_t g_DumpOpen = 0;

namespace {
bool g_DumpBorrowed = false;  // g_DumpFile is the caller's (SPI_DumpInto): never closed here
}

namespace {

// Compares one half; false at the first mismatch or fault.
bool VerifyHalf(const uint8_t* expected) {
    for (uint32_t pos = 0; pos < kHalfBytes; ++pos) {
        const uint8_t byte = FM_Read();
        if (HW_Faulted()) return false;
        g_RomSum += byte;
        if (byte != expected[pos]) return false;
        if (pos % kProgressMarkEvery == 0) SPI_PrintProgressMark();
    }
    return true;
}

}  // namespace

bool SPI_Verify(uint8_t high, uint8_t middle, uint8_t low) {
    SPI_OpenFastRead(high, middle, low);
    SPI_PrintProgressText("Verify...        : ");
    // One continuous read over both halves: the fill past the image end is compared too.
    const bool match = VerifyHalf(g_LowHalf) && VerifyHalf(g_HighHalf);
    SPI_WaitReady();  // its select ends the read
    const bool passed = match && !HW_Faulted();
    SPI_PrintProgressText(passed ? " -- Verify OK. \n" : " -- Verify Fail. \n");
    return passed;
}

bool SPI_ReadBackChunk(uint8_t high, uint8_t middle, uint8_t low) {
    SPI_OpenFastRead(high, middle, low);
    for (uint32_t i = 0; i < kChunkBytes; ++i) {
        const uint8_t byte = FM_Read();
        if (HW_Faulted()) break;
        if (g_DumpOpen == 1) std::fprintf(g_DumpFile, "%c", byte);
        g_RomSum += byte;
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

ChunkComparison SPI_CompareChunk(uint8_t high, uint8_t middle, uint8_t low) {
    ChunkComparison comparison;
    SPI_OpenFastRead(high, middle, low);
    for (uint32_t offset = 0; offset < kChunkBytes; ++offset) {
        const uint8_t byte = FM_Read();
        if (HW_Faulted()) break;
        comparison.sum += byte;
        // The rest of a chunk that differs is of no use to anyone: stop reading there.
        if (byte != ChunkByte(offset)) {
            comparison.first_difference = offset;
            break;
        }
    }
    SPI_WaitReady();  // its select ends the read
    comparison.faulted = HW_Faulted();
    return comparison;
}

bool SPI_OpenDump(const char* path) {
    SPI_CloseDump();  // a second open must not leak the first stream
    g_DumpFile = std::fopen(path, "wb");
    g_DumpOpen = g_DumpFile != nullptr ? 1 : 0;
    return g_DumpOpen == 1;
}

bool SPI_CloseDump() {
    bool written = false;
    if (g_DumpFile != nullptr && g_DumpBorrowed) {
        written = std::ferror(g_DumpFile) == 0;
    } else if (g_DumpFile != nullptr) {
        // A full disk shows only as a stream error or a failed close.
        written = std::ferror(g_DumpFile) == 0;
        written = std::fclose(g_DumpFile) == 0 && written;
    }
    g_DumpFile = nullptr;
    g_DumpOpen = 0;
    g_DumpBorrowed = false;
    return written;
}

void SPI_DumpInto(std::FILE* stream) {
    SPI_CloseDump();
    g_DumpFile = stream;
    g_DumpOpen = stream != nullptr ? 1 : 0;
    g_DumpBorrowed = stream != nullptr;
}
