#pragma once
// The checksum tools: the byte sum of an image file the way a flash run sums it, and the byte
// sum of the first kilobytes of the flash, read back through the EC and dumped to a file.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "hw/hw_fault.h"

/// Kilobytes the ROM checksum reads; 128 at start, changed only by the ROM size "Set" button.
extern int32_t g_RomSizeK;

/// The largest ROM size that the 24-bit flash address can reach (256 chunks of 64 KB).
inline constexpr int32_t kMaxRomSizeK = 16384;

/// A sum as the checksum labels show it: signed 32-bit decimal ("%i").
std::string ChecksumText(uint32_t sum);

enum class BinChecksumStatus {
    Done,       // g_BinSum holds the sum of the whole file
    NoMemory,   // the chunk buffers could not be allocated
    ReadError,  // a read failed: the sum stopped before the damaged chunk
};

/// Sums `image` chunk by chunk into g_BinSum (0xFF fill of the last chunk included), calling
/// `after_chunk` with the running sum after each chunk; the image is read from where it
/// stands, and the caller closes it.
BinChecksumStatus BinChecksum(std::FILE* image, const std::function<void(uint32_t)>& after_chunk);

enum class RomChecksumStatus {
    Done,          // g_RomSum holds the sum of every chunk asked for
    SizeTooLarge,  // g_RomSizeK above kMaxRomSizeK: nothing read, no file touched
    AckFail,       // the EC refused follow mode: the dump is left empty
    Faulted,       // a bounded wait expired during the read-back
};

struct RomChecksumResult {
    RomChecksumStatus status = RomChecksumStatus::Done;
    bool dump_written = false;      // "LoadRom.bin" holds every byte read
    HwFault fault = HwFault::None;  // a wait that expired: during the read (Faulted), or at the end command
};

/// Reads g_RomSizeK / 64 whole chunks from flash address 0 through follow mode into g_RomSum
/// and "LoadRom.bin", then sends the end command 0xFC. Also when the dump cannot be created
/// the sum is computed.
RomChecksumResult RomChecksum();
