#include "flash/flash_procedure.h"

#include <cstdio>
#include <string>

#include "flash/chunk_buffers.h"
#include "flash/image_reader.h"
#include "hw/clock.h"
#include "hw/ec_channel.h"
#include "hw/hw_fault.h"
#include "hw/port_io.h"
#include "spi/chip_id.h"
#include "spi/chunk_state.h"
#include "spi/erase.h"
#include "spi/flash_control.h"
#include "spi/program.h"
#include "spi/verify.h"

namespace {

std::string Hex(const char* format, uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

class FlashRun {
public:
    FlashRun(uint8_t end_cmd, FlashReporter& ui) : end_cmd_(end_cmd), ui_(ui) {}

    bool Execute();

private:
    enum class ChunkOutcome { Passed, Failed, Faulted };

    // Every status text goes to the status line and into the history.
    void Post(const std::string& text) {
        ui_.SetStatus(text);
        ui_.AppendMemo(text);
    }
    void ShowStep(const char* text, unsigned progress, const char* process_text) {
        Post(text);
        ui_.SetProgress(progress);
        if (process_text != nullptr) ui_.SetProcessText(process_text);
    }
    // Counted as sent only when the EC took it, so a fault ending tries it once more.
    void SendEndCommand() { end_sent_ = EC_WriteCmd(end_cmd_) || end_sent_; }
    // A failing chunk is protected again while the EC still listens in follow mode; then the
    // end command releases the EC.
    void AbandonChunk() {
        SPI_Protect();
        SPI_ChunkFixup();
        SendEndCommand();
    }

    ChunkOutcome FlashChunk(uint8_t chunk);
    bool PassEnding();
    bool FailEnding(const char* reason = nullptr);
    bool FaultEnding();

    const uint8_t end_cmd_;
    FlashReporter& ui_;
    bool end_sent_ = false;
};

bool FlashRun::Execute() {
    HW_ClearFault();
    g_RomSum = 0;
    g_BinSum = 0;
    g_ChunkNo = 0;
    // The size check comes before anything reaches the EC: an image that does not fit the
    // 24-bit flash address space is never started.
    if (!IMG_MeasureImage()) {
        Post(flash_text::kImageTooLarge);
        return false;
    }
    g_BytesDone = 0;
    ChunkBuffers buffers;
    if (!buffers.allocated()) {
        Post(flash_text::kNoMemory);
        return false;
    }

    // A byte the EC left behind would otherwise be taken for the follow-mode reply.
    if ((IO_In(g_StatusPort) & kStatusOBF) != 0) IO_In(g_DataPort);
    uint8_t ack = 0;
    if (!EC_EnterFlashMode(ack)) {
        Post("EC ACK Fail !ACK = " + Hex("%02X", ack));
        return false;
    }
    Post("EC ACK OK.");
    SleepMs(50);
    Post("Start flash!!");
    SleepMs(50);
    SPI_ReadJedecId();
    if (HW_Faulted()) return FaultEnding();

    // Only the chunks measured at the start are read, so a file that grows meanwhile can
    // never reach past the 16 MiB that the size check allowed.
    uint32_t chunks_done = 0;
    while (uint64_t{chunks_done} * kChunkBytes < g_FileSize && IMG_ReadChunk()) {
        // A read error would otherwise pass for the end of the file: stop before erasing.
        if (!IMG_ReadOk()) return FailEnding(flash_text::kImageShort);
        ui_.RepaintWindow();
        if (chunks_done == 1) {
            ui_.RepaintWindow();
            SleepMs(100);
            Post("Continue to Flash 64K Page2....");
            SleepMs(100);
        }
        IMG_AddChunkToSum();
        switch (FlashChunk(static_cast<uint8_t>(g_ChunkNo - 1))) {
            case ChunkOutcome::Passed: break;
            case ChunkOutcome::Failed: return FailEnding();
            case ChunkOutcome::Faulted: return FaultEnding();
        }
        ++chunks_done;
    }
    // An image not read whole, as measured, never passes.
    if (!IMG_ReadWhole()) return FailEnding(flash_text::kImageShort);
    return chunks_done == 0 ? FailEnding() : PassEnding();
}

FlashRun::ChunkOutcome FlashRun::FlashChunk(uint8_t chunk) {
    SPI_Unprotect();
    if (HW_Faulted()) return ChunkOutcome::Faulted;
    ShowStep("Start Block....", 1, "1");
    SleepMs(50);
    SPI_EraseChunk(chunk, 0x00, 0x00);
    if (HW_Faulted()) return ChunkOutcome::Faulted;
    ShowStep("Check Block....", 25, nullptr);
    SleepMs(50);
    const bool blank = SPI_BlankCheck(chunk, 0x00, 0x00);
    if (HW_Faulted()) return ChunkOutcome::Faulted;
    if (!blank) {
        AbandonChunk();
        Post("Block Verify Fail!!");
        SleepMs(50);
        return HW_Faulted() ? ChunkOutcome::Faulted : ChunkOutcome::Failed;
    }

    ShowStep("Start Programming....", 50, "50");
    SleepMs(50);
    SPI_ProgramChunk(chunk, 0x00, 0x00);
    if (HW_Faulted()) return ChunkOutcome::Faulted;
    ShowStep("Start Verify....", 75, "75");
    ui_.RepaintWindow();
    SleepMs(50);
    const bool verified = SPI_Verify(chunk, 0x00, 0x00);
    if (HW_Faulted()) return ChunkOutcome::Faulted;
    if (!verified) {
        AbandonChunk();
        ui_.AppendMemo("Verify Fail");
        return HW_Faulted() ? ChunkOutcome::Faulted : ChunkOutcome::Failed;
    }

    ui_.SetProgress(g_BytesDone * 100u / g_FileSize);
    SPI_Protect();
    SPI_ChunkFixup();
    return HW_Faulted() ? ChunkOutcome::Faulted : ChunkOutcome::Passed;
}

bool FlashRun::PassEnding() {
    SendEndCommand();
    if (HW_Faulted()) return FaultEnding();
    Post("Verify OK!!");
    ui_.SetProcessText("100");
    ui_.SetProgress(100);
    ui_.RepaintWindow();
    SleepMs(50);
    if (g_BinSum == g_RomSum) {
        Post("CheckSum OK!!");
        SleepMs(1000);
        ui_.ShowFwVersion();
    } else {
        Post("CheckSum Fail!!");
        ui_.RepaintWindow();
    }
    ui_.SetCheckSum(Hex("%06X", g_RomSum));
    return true;
}

bool FlashRun::FailEnding(const char* reason) {
    // A run that processed no chunk has not yet told the EC to leave follow mode.
    if (!end_sent_) SendEndCommand();
    if (HW_Faulted()) return FaultEnding();
    ui_.SetStatus("Verify Fail!!");
    ui_.AppendMemo("Verify Fail");
    ui_.AppendMemo("Verify Fail!!");
    ui_.SetProgress(76);
    ui_.SetProcessText("76");
    // The cause, when it is not the flash itself, is what the status line keeps.
    if (reason != nullptr) Post(reason);
    ui_.RepaintWindow();
    SleepMs(50);
    return false;
}

bool FlashRun::FaultEnding() {
    const std::string reason = HW_FaultText(g_HwFault);
    // One more try of the end command, so that an EC that still listens leaves follow mode.
    HW_ClearFault();
    if (!end_sent_) SendEndCommand();
    HW_ClearFault();
    ui_.SetProgress(76);
    ui_.SetProcessText("76");
    Post(reason);
    ui_.RepaintWindow();
    return false;
}

}  // namespace

bool DoFlashProcedure(uint8_t end_cmd, FlashReporter& ui) { return FlashRun(end_cmd, ui).Execute(); }
