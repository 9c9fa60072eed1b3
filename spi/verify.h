#pragma once
// Reading a programmed chunk back: compared with the chunk halves (verify) or copied to the
// "LoadRom.bin" dump (read-back). Both add every byte they read to g_RomSum.

#include <cstdint>
#include <cstdio>
#include <optional>

extern uint32_t g_RomSum;       // sum of every byte read back since a caller last zeroed it
extern std::FILE* g_DumpFile;   // "LoadRom.bin" while the dump is open
extern uint8_t g_DumpOpen;      // 1 while the dump is open

/// Compares all 65536 bytes of the chunk with g_LowHalf/g_HighHalf, printing the progress
/// line; true when all match. False at the first mismatch (that byte already summed) or on
/// a hardware fault. Ends with no transaction open.
bool SPI_Verify(uint8_t high, uint8_t middle, uint8_t low);
/// Reads the chunk, summing each byte and copying it to the dump when open; false only when
/// a hardware fault cut the read short.
bool SPI_ReadBackChunk(uint8_t high, uint8_t middle, uint8_t low);
/// Reads the 65536 bytes of the chunk into `out`, leaving g_RomSum and the dump alone; false
/// when a hardware fault cut the read short.
bool SPI_ReadChunk(uint8_t high, uint8_t middle, uint8_t low, uint8_t* out);

struct ChunkComparison {
    bool faulted = false;                      // a bounded wait expired: nothing below holds
    std::optional<uint32_t> first_difference;  // chunk offset of the first byte unlike the halves
    uint32_t sum = 0;                          // byte sum of what was read (the whole chunk when it matched)
};
/// Reads the chunk and compares it with g_LowHalf/g_HighHalf, stopping at the first
/// differing byte. Prints nothing and leaves g_RomSum alone. Ends with no transaction open.
ChunkComparison SPI_CompareChunk(uint8_t high, uint8_t middle, uint8_t low);

inline constexpr const char* kLoadRomName = "LoadRom.bin";
/// Creates the dump ("LoadRom.bin" in the current directory unless told otherwise); false,
/// with the dump closed, when it cannot be created.
bool SPI_OpenDump(const char* path = kLoadRomName);
/// Closes the dump if open; true when every byte reached the file (false also when none was open).
bool SPI_CloseDump();
/// Sends the read-back's bytes to `stream` from now on, a stream the caller owns and closes;
/// null stops the dump. An open dump is closed first.
void SPI_DumpInto(std::FILE* stream);
