// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/checksum_tools.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "flash/image.h"
#include "platform/atomic_file.h"
#include "hw/ec_channel.h"
#include "hw/ec_session.h"
#include "hw/ec_ports.h"
#include "hw/hw_fault.h"
#include "spi/chip_id.h"
#include "spi/flash_control.h"
#include "spi/verify.h"

std::string ChecksumText(uint32_t sum) {
    char text[16];
    std::snprintf(text, sizeof text, "%i", static_cast<int32_t>(sum));
    return text;
}

namespace {

// The bytes left from the current position to the end, measured before reading; nullopt
// when the stream cannot tell.
std::optional<int64_t> BytesLeft(std::FILE* file) {
    const int64_t start = IMG_Tell(file);
    if (start < 0 || !IMG_SeekTo(file, 0, SEEK_END)) return std::nullopt;
    const int64_t end = IMG_Tell(file);
    if (!IMG_SeekTo(file, start, SEEK_SET) || end < start) return std::nullopt;
    return end - start;
}

}  // namespace

BinChecksumResult BinChecksum(std::FILE* image, const std::function<void(uint32_t)>& after_chunk) {
    BinChecksumResult result;
    const std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kChunkBytes]);
    if (buffer == nullptr) {
        result.status = BinChecksumStatus::NoMemory;
        return result;
    }
    const std::span<uint8_t> chunk(buffer.get(), kChunkBytes);
    const int64_t start = IMG_Tell(image);
    const std::optional<int64_t> length = BytesLeft(image);
    if (!length) {
        result.status = BinChecksumStatus::ReadError;
        return result;
    }
    while (IMG_ReadChunk(image, chunk)) {
        // A read error would otherwise end the sum early, looking complete.
        if (!IMG_ReadOk(image)) {
            result.status = BinChecksumStatus::ReadError;
            break;
        }
        result.sum = IMG_AddChunkToSum(result.sum, chunk);
        after_chunk(result.sum);
    }
    // A read that failed where a chunk would begin ends the loop as the end of the file does.
    if (result.status == BinChecksumStatus::Done && (!IMG_ReadOk(image) || IMG_Tell(image) - start != *length))
        result.status = BinChecksumStatus::ReadError;
    return result;
}

RomChecksumResult RomChecksum(const EcPorts& ports, int32_t rom_size_k, const std::function<bool()>& stop) {
    RomChecksumResult result;
    EcSession session(ports);
    if (!session.open()) {
        result.status = RomChecksumStatus::Busy;
        result.refusal = session.RefusalText();
        return result;
    }
    if (rom_size_k > kMaxRomSizeK) {
        result.status = RomChecksumStatus::SizeTooLarge;
        return result;
    }
    const int32_t chunks = rom_size_k / 64;
    // No chunk to read would replace a good dump with an empty file.
    if (chunks <= 0) {
        result.status = RomChecksumStatus::SizeTooSmall;
        return result;
    }
    if (!EC_PortsInUseError(ports).empty()) {
        result.status = RomChecksumStatus::PortsRefused;
        return result;
    }
    EcChannel& ec = session.channel();
    // Written beside the earlier dump through the descriptor that created it, and put in its
    // place only once the read is complete.
    StagedReplacement dump(kLoadRomName, ReplaceRule::RegularFileOnly);
    std::FILE* const dump_file = dump.stream();
    result.reply = ec.RequestFollowMode();
    if (!result.reply.entered()) {
        // A late or garbled reply may still have left the EC in follow mode.
        ec.WriteCmd(0xFC);
        ec.ClearFault();
        result.status = RomChecksumStatus::AckFail;
        return result;
    }
    // A flash address past the chip's end reaches its start again: such a read would sum
    // wrapped copies.
    const ChipRecord chip = SPI_ReadJedecId(ec);
    result.chip_capacity = chip.capacity;
    const bool fits = !chip.capacity || uint64_t{static_cast<uint32_t>(chunks)} * kChunkBytes <= *chip.capacity;
    bool interrupted = false;
    uint32_t sum = 0;
    if (fits) {
        SPI_Unprotect(ec, chip.traits);
        for (int32_t i = 0; i < chunks && !ec.faulted(); ++i) {
            if (stop && stop()) {
                interrupted = true;
                break;
            }
            SPI_ReadBackChunk(ec, static_cast<uint8_t>(i), 0x00, 0x00, sum, dump_file);
        }
    }
    const bool read_whole = !ec.faulted();
    // The chip is left protected again, as a flash run leaves it after each chunk.
    if (fits && read_whole) {
        SPI_Protect(ec, chip.traits);
        SPI_ChunkFixup(ec, chip.traits);
    }
    // A sum read whole stands even when protecting or the end command then times out.
    if (ec.faulted()) {
        result.fault = ec.fault();
        ec.ClearFault();  // one more try of the end command, for an EC that still listens
    }
    if (!ec.WriteCmd(0xFC) && result.fault == HwFault::None) result.fault = ec.fault();
    ec.ClearFault();
    if (!read_whole) {
        result.status = RomChecksumStatus::Faulted;
        return result;
    }
    if (!fits || interrupted) {
        result.status = fits ? RomChecksumStatus::Interrupted : RomChecksumStatus::SizeAboveChip;
        return result;
    }
    result.sum = sum;
    result.dump_written = dump.Commit();
    if (!result.dump_written)
        result.dump_problem = !dump.refusal().empty() ? dump.refusal() : std::strerror(errno);
    return result;
}
