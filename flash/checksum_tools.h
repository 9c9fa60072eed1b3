// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checksum tools: the byte sum of an image file the way a flash run sums it, and the byte
// sum of the first kilobytes of the flash, read back through the EC and dumped to a file.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "hw/ec_channel.h"
#include "hw/hw_fault.h"

/// Kilobytes the ROM checksum reads until a front end is told otherwise.
inline constexpr int32_t kDefaultRomSizeK = 128;
/// The ROM checksum's dump of what it read, in the current directory.
inline constexpr const char* kLoadRomName = "LoadRom.bin";

/// The largest ROM size that the 24-bit flash address can reach (256 chunks of 64 KB).
inline constexpr int32_t kMaxRomSizeK = 16384;

/// A sum as the checksum labels show it: signed 32-bit decimal ("%i").
std::string ChecksumText(uint32_t sum);

enum class BinChecksumStatus {
    Done,       // `sum` is the sum of the whole file
    NoMemory,   // the chunk buffer could not be allocated
    ReadError,  // a read failed or ended short of the measured length: no sum stands
};

struct BinChecksumResult {
    BinChecksumStatus status = BinChecksumStatus::Done;
    uint32_t sum = 0;  // the sum as far as it got
};

/// Sums `image` chunk by chunk (0xFF fill of the last chunk included), calling
/// `after_chunk` with the running sum after each chunk; the image is read from where it
/// stands, and the caller closes it. Done only when every byte up to the length measured
/// before reading was read without error: a read that fails, even exactly at a chunk
/// boundary where it looks like the end of the file, gives ReadError.
BinChecksumResult BinChecksum(std::FILE* image, const std::function<void(uint32_t)>& after_chunk);

enum class RomChecksumStatus {
    Done,          // `sum` holds the sum of every chunk asked for
    Busy,          // another EC session is open: nothing read, no file touched; `refusal` says whose
    SizeTooLarge,  // the size asked for is above kMaxRomSizeK: nothing read, no file touched
    SizeTooSmall,  // the size asked for is under one 64 KB chunk: nothing read, no file touched
    SizeAboveChip, // more than the identified chip holds (it would be read wrapped): nothing
                   // read, the earlier dump left as it was
    Interrupted,   // `stop` said so between two chunks: the earlier dump left as it was
    PortsRefused,  // the EC ports in use are out of range: no port touched, no file touched
    AckFail,       // the EC refused follow mode: the end command was sent, the earlier dump left as it was
    Faulted,       // a bounded wait expired during the read-back: the earlier dump left as it was
};

struct RomChecksumResult {
    RomChecksumStatus status = RomChecksumStatus::Done;
    uint32_t sum = 0;               // the flash's byte sum (Done only)
    bool dump_written = false;      // "LoadRom.bin" now holds every byte read
    std::string dump_problem;       // Done without dump_written: why it could not be written
    HwFault fault = HwFault::None;  // a wait that expired: during the read (Faulted), or at the end command
    std::optional<uint32_t> chip_capacity;  // bytes the identified chip holds, when its ID says
    std::string refusal;            // Busy: why
    FollowModeReply reply;          // the EC's answer to the follow-mode request
};

/// In an EC session of its own, reads rom_size_k / 64 whole chunks from flash address 0
/// through follow mode and sums them, protects the chip again and sends the end command 0xFC.
/// The chip is identified first and a size it cannot hold is refused. `stop`, asked before
/// each chunk, ends the read early. The dump replaces "LoadRom.bin" (a regular file or none)
/// only once the read-back is complete; otherwise the earlier dump stays as it was. Also when
/// the dump cannot be written the sum is computed.
RomChecksumResult RomChecksum(const EcPorts& ports, int32_t rom_size_k, const std::function<bool()>& stop = nullptr);
