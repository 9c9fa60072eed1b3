#include "flash/checksum_tools.h"

#include <cstdio>

#include "flash/chunk_buffers.h"
#include "flash/image_reader.h"
#include "hw/ec_channel.h"
#include "hw/hw_fault.h"
#include "spi/flash_control.h"
#include "spi/verify.h"

int32_t g_RomSizeK = 128;

std::string ChecksumText(uint32_t sum) {
    char text[16];
    std::snprintf(text, sizeof text, "%i", static_cast<int32_t>(sum));
    return text;
}

BinChecksumStatus BinChecksum(std::FILE* image, const std::function<void(uint32_t)>& after_chunk) {
    g_BinSum = 0;
    ChunkBuffers buffers;
    if (!buffers.allocated()) return BinChecksumStatus::NoMemory;
    g_ImageFile = image;
    BinChecksumStatus status = BinChecksumStatus::Done;
    while (IMG_ReadChunk()) {
        // A read error would otherwise end the sum early, looking complete.
        if (!IMG_ReadOk()) {
            status = BinChecksumStatus::ReadError;
            break;
        }
        IMG_AddChunkToSum();
        after_chunk(g_BinSum);
    }
    g_ImageFile = nullptr;  // the caller closes the file
    return status;
}

RomChecksumResult RomChecksum() {
    RomChecksumResult result;
    g_RomSum = 0;
    if (g_RomSizeK > kMaxRomSizeK) {
        result.status = RomChecksumStatus::SizeTooLarge;
        return result;
    }
    const int32_t chunks = g_RomSizeK / 64;
    HW_ClearFault();
    result.dump_written = SPI_OpenDump();
    uint8_t ack = 0;
    if (!EC_EnterFlashMode(ack)) {
        SPI_CloseDump();
        result.status = RomChecksumStatus::AckFail;
        return result;
    }
    SPI_Unprotect();
    for (int32_t i = 0; i < chunks && !HW_Faulted(); ++i) SPI_ReadBackChunk(static_cast<uint8_t>(i), 0x00, 0x00);
    // A sum read whole stands even when the end command then times out.
    if (HW_Faulted()) {
        result.status = RomChecksumStatus::Faulted;
        result.fault = g_HwFault;
        HW_ClearFault();  // one more try of the end command, for an EC that still listens
    }
    if (!EC_WriteCmd(0xFC) && result.fault == HwFault::None) result.fault = g_HwFault;
    HW_ClearFault();
    result.dump_written = SPI_CloseDump() && result.dump_written;
    return result;
}
