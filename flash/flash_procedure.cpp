// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/flash_procedure.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "flash/image.h"
#include "flash/preflight.h"
#include "flash/write_estimate.h"
#include "platform/clock.h"
#include "hw/ec_channel.h"
#include "hw/ec_session.h"
#include "hw/hw_fault.h"
#include "platform/power_supply.h"
#include "spi/chip_id.h"
#include "spi/chunk_state.h"
#include "spi/erase.h"
#include "spi/flash_control.h"
#include "spi/program.h"
#include "spi/verify.h"
#include "version/fw_version.h"

namespace {

FlashOutcome RefusalFor(SnapshotStatus status) {
    switch (status) {
        case SnapshotStatus::TooLarge: return FlashOutcome::ImageTooLarge;
        case SnapshotStatus::Unmeasurable: return FlashOutcome::ImageSizeUnknown;
        case SnapshotStatus::Unreadable: return FlashOutcome::ImageUnreadable;
        case SnapshotStatus::NoMemory: return FlashOutcome::NoMemory;
        case SnapshotStatus::Taken: break;
    }
    return FlashOutcome::Passed;
}

class FlashRun {
public:
    FlashRun(const FlashRunOptions& options, const FlashListener& listener)
        : image_file_(options.image),
          end_cmd_(options.end_cmd),
          only_changed_(options.only_changed),
          dry_run_(options.dry_run),
          listener_(listener),
          where_(options.safeguards),
          version_settings_(options.version_settings),
          session_(options.ports),
          ec_(session_.channel()) {
        work_.progress = options.progress;
    }

    FlashResult Execute();

private:
    enum class ChunkOutcome { Passed, Failed, Faulted };

    void Emit(FlashStep step, std::optional<FwVersionRead> version = std::nullopt);
    // Counted as sent only when the EC took it, so a fault ending tries it once more.
    void SendEndCommand() { end_sent_ = ec_.WriteCmd(end_cmd_) || end_sent_; }
    // A failing chunk is protected again while the EC still listens in follow mode; then the
    // end command releases the EC.
    ChunkOutcome AbandonChunk(FlashOutcome why);

    ChunkOutcome FlashChunk(uint8_t chunk);
    enum class Comparison { Differs, Unchanged, Faulted };
    Comparison CompareChunk(uint8_t chunk);
    // The delivered chunk against the flash as read before: no port access.
    std::optional<uint32_t> CompareWithRead(uint32_t chunk, uint32_t& sum) const;
    FlashResult Rehearse();
    FlashResult End(FlashOutcome outcome);
    FlashResult Refuse(FlashOutcome outcome, std::string text);
    // Chip size and backup, between the identification and the first erase; a result when
    // the run ends there.
    std::optional<FlashResult> CheckBeforeErase();
    FlashResult PassEnding();
    FlashResult FailEnding(FlashOutcome outcome);
    FlashResult FaultEnding();
    // Reads the whole image back after the last chunk; false after a difference or a fault.
    bool ReadBackWhole();

    // The chip the run identified; the one that answered with zeros until then.
    const ChipTraits& chip() const { return chip_.traits; }

    std::FILE* const image_file_;
    const uint8_t end_cmd_;
    const bool only_changed_;
    const bool dry_run_;
    const FlashListener& listener_;
    const FlashSafeguards& where_;
    const std::optional<UiSettings>& version_settings_;
    // Opened before anything else: another session's traffic must never mix with this run's.
    EcSession session_;
    EcChannel& ec_;
    ImageSnapshot image_;
    ChunkWork work_;
    ChipRecord chip_;
    uint32_t bin_sum_ = 0;
    std::vector<uint8_t> flash_as_read_;  // the backup's (or the dry run's) one read of the flash
    FlashResult result_;
    uint32_t chunk_ = 0;
    bool in_chunks_ = false;  // from the first chunk's start to the last chunk's end
    bool end_sent_ = false;
};

void FlashRun::Emit(FlashStep step, std::optional<FwVersionRead> version) {
    if (!listener_) return;
    FlashEvent event;
    event.step = step;
    event.version = std::move(version);
    event.image_bytes = image_.size();
    event.chunks = image_.chunks();
    event.chunk = chunk_;
    event.bytes_done = work_.bytes_done;
    event.result = result_;
    event.result.bin_sum = bin_sum_;
    event.result.rom_sum = work_.rom_sum;
    listener_(event);
}

FlashResult FlashRun::Execute() {
    if (!session_.open()) return Refuse(FlashOutcome::SessionBusy, session_.RefusalText());
    // The image is read whole before anything reaches the EC: an image that does not fit the
    // 24-bit flash address space, or cannot be read, is never started, and what is flashed,
    // summed and verified is the image as it was at this moment.
    const SnapshotStatus taken = image_.Take(image_file_);
    if (taken != SnapshotStatus::Taken) return End(RefusalFor(taken));
    work_.image_bytes = image_.size();

    // Both are decided before the first port access that could reach the EC.
    const PowerState power = ReadPowerState(where_.power_supply_root);
    if (RefuseFlashForBattery(power)) return Refuse(FlashOutcome::LowBattery, LowBatteryText(power));
    if (!ec_.StatusPortAnswers()) return Refuse(FlashOutcome::NoEcAnswer, EC_SilentPortText(ec_.ports().command));

    // A byte the EC left behind would otherwise be taken for the follow-mode reply.
    ec_.DrainStaleByte();
    const FollowModeReply reply = ec_.RequestFollowMode();
    result_.ack = reply.byte;
    result_.ack_seen = reply.answered;
    if (!reply.entered()) {
        // A late or garbled reply may still have left the EC in follow mode.
        SendEndCommand();
        ec_.ClearFault();
        return End(FlashOutcome::NoAcknowledge);
    }
    Emit(FlashStep::FollowModeEntered);
    SleepMs(50);
    Emit(FlashStep::Identifying);
    SleepMs(50);
    chip_ = SPI_ReadJedecId(ec_);
    if (ec_.faulted()) return FaultEnding();
    result_.chip = chip_;
    Emit(FlashStep::RunStarted);
    if (dry_run_) return Rehearse();
    if (auto refused = CheckBeforeErase()) return *refused;

    in_chunks_ = true;
    for (chunk_ = 0; chunk_ < image_.chunks(); ++chunk_) {
        if (chunk_ == 1) SleepMs(100);
        Emit(FlashStep::ChunkStarted);
        if (chunk_ == 1) SleepMs(100);
        work_.chunk = image_.Chunk(chunk_);
        bin_sum_ = IMG_AddChunkToSum(bin_sum_, work_.chunk);
        if (only_changed_) {
            const Comparison comparison = CompareChunk(static_cast<uint8_t>(chunk_));
            if (comparison == Comparison::Faulted) return FaultEnding();
            if (comparison == Comparison::Unchanged) continue;
        }
        switch (FlashChunk(static_cast<uint8_t>(chunk_))) {
            case ChunkOutcome::Passed: break;
            case ChunkOutcome::Failed: return FailEnding(result_.outcome);
            case ChunkOutcome::Faulted: return FaultEnding();
        }
    }
    in_chunks_ = false;
    return image_.chunks() == 0 ? FailEnding(FlashOutcome::NothingToFlash) : PassEnding();
}

std::optional<FlashResult> FlashRun::CheckBeforeErase() {
    if (!where_.backup) {
        if (ImageFitsChip(image_.size(), chip_.capacity)) return std::nullopt;
        SendEndCommand();
        return Refuse(FlashOutcome::ImageLargerThanChip, kImageLargerThanChipText);
    }
    BeforeEraseOutcome before = CheckBeforeFirstErase(ec_, chip_, image_.size(), where_.backup_plan);
    if (!before.error_line.empty()) std::fprintf(stderr, "%s\n", before.error_line.c_str());
    result_.backup_path = before.backup.path;
    if (only_changed_) flash_as_read_ = std::move(before.backup.flash);
    if (before.status == BeforeEraseStatus::Ready) {
        Emit(FlashStep::BackedUp);
        return std::nullopt;
    }
    if (ec_.faulted()) return FaultEnding();
    SendEndCommand();
    const FlashOutcome why = before.status == BeforeEraseStatus::ImageLargerThanChip ? FlashOutcome::ImageLargerThanChip
                                                                                      : FlashOutcome::BackupFailed;
    return Refuse(why, before.status_line);
}

std::optional<uint32_t> FlashRun::CompareWithRead(uint32_t chunk, uint32_t& sum) const {
    const uint8_t* flash = flash_as_read_.data() + uint64_t{chunk} * kChunkBytes;
    sum = 0;
    for (uint32_t offset = 0; offset < kChunkBytes; ++offset) {
        sum += flash[offset];
        if (flash[offset] != work_.chunk[offset]) return offset;
    }
    return std::nullopt;
}

FlashResult FlashRun::Rehearse() {
    if (!ImageFitsChip(image_.size(), chip_.capacity)) {
        SendEndCommand();
        return Refuse(FlashOutcome::ImageLargerThanChip, kImageLargerThanChipText);
    }
    // What the backup of the write would read, so the rehearsal costs what the write's
    // first step does, and its record holds the same flash.
    const uint32_t bytes = BackupBytes(image_.size(), chip_.capacity);
    if (!ReadFlash(ec_, bytes, flash_as_read_)) return FaultEnding();
    WritePlan plan;
    for (chunk_ = 0; chunk_ < image_.chunks(); ++chunk_) {
        work_.chunk = image_.Chunk(chunk_);
        bin_sum_ = IMG_AddChunkToSum(bin_sum_, work_.chunk);
        uint32_t sum = 0;
        if (CompareWithRead(chunk_, sum)) {
            plan.chunks_to_write.push_back(chunk_);
            plan.bytes_to_write += std::min(kChunkBytes, image_.size() - chunk_ * kChunkBytes);
        } else {
            ++plan.chunks_unchanged;
        }
    }
    plan.estimated_accesses = (where_.backup ? AccessesToRead(bytes) : 0) +
                              plan.chunks_to_write.size() * AccessesToWriteChunk(chip());
    // A plan stands only once the EC is released: a run that ends in a fault has none.
    SendEndCommand();
    if (ec_.faulted()) return FaultEnding();
    result_.plan = std::move(plan);
    return End(FlashOutcome::Passed);
}

FlashRun::Comparison FlashRun::CompareChunk(uint8_t chunk) {
    Emit(FlashStep::Comparing);
    uint32_t sum = 0;
    if (!flash_as_read_.empty()) {
        // The backup already read this chunk: its bytes are the comparison's input.
        if (CompareWithRead(chunk, sum)) return Comparison::Differs;
    } else {
        const ChunkComparison read = SPI_CompareChunk(ec_, work_.chunk, chunk, 0x00, 0x00);
        if (read.faulted) return Comparison::Faulted;
        if (read.first_difference) return Comparison::Differs;
        sum = read.sum;
    }
    // The read saw every byte of the chunk as the image has it: that read is its verify.
    work_.rom_sum += sum;
    const uint32_t chunk_start = chunk_ * kChunkBytes;
    work_.bytes_done += std::min(kChunkBytes, image_.size() - chunk_start);
    Emit(FlashStep::ChunkUnchanged);
    return Comparison::Unchanged;
}

FlashRun::ChunkOutcome FlashRun::AbandonChunk(FlashOutcome why) {
    result_.outcome = why;
    result_.failing_chunk = static_cast<uint8_t>(chunk_);
    SPI_Protect(ec_, chip());
    SPI_ChunkFixup(ec_, chip());
    SendEndCommand();
    Emit(FlashStep::ChunkDone);
    return ec_.faulted() ? ChunkOutcome::Faulted : ChunkOutcome::Failed;
}

FlashRun::ChunkOutcome FlashRun::FlashChunk(uint8_t chunk) {
    SPI_Unprotect(ec_, chip());
    if (ec_.faulted()) return ChunkOutcome::Faulted;
    Emit(FlashStep::Erasing);
    SleepMs(50);
    SPI_EraseChunk(ec_, chip(), chunk, 0x00, 0x00);
    if (ec_.faulted()) return ChunkOutcome::Faulted;
    Emit(FlashStep::BlankChecking);
    SleepMs(50);
    const bool blank = SPI_BlankCheck(ec_, work_.image_bytes, chunk, 0x00, 0x00);
    if (ec_.faulted()) return ChunkOutcome::Faulted;
    if (!blank) {
        const ChunkOutcome outcome = AbandonChunk(FlashOutcome::BlankCheckFailed);
        SleepMs(50);
        return outcome;
    }

    Emit(FlashStep::Programming);
    SleepMs(50);
    SPI_ProgramChunk(ec_, work_, chip(), chunk, 0x00, 0x00);
    if (ec_.faulted()) return ChunkOutcome::Faulted;
    Emit(FlashStep::Verifying);
    SleepMs(50);
    const bool verified = SPI_Verify(ec_, work_, chunk, 0x00, 0x00);
    if (ec_.faulted()) return ChunkOutcome::Faulted;
    if (!verified) return AbandonChunk(FlashOutcome::VerifyFailed);

    Emit(FlashStep::ChunkDone);
    SPI_Protect(ec_, chip());
    SPI_ChunkFixup(ec_, chip());
    return ec_.faulted() ? ChunkOutcome::Faulted : ChunkOutcome::Passed;
}

FlashResult FlashRun::End(FlashOutcome outcome) {
    result_.outcome = outcome;
    result_.bin_sum = bin_sum_;
    result_.rom_sum = work_.rom_sum;
    // After a pass the EC runs the new firmware: its version is read here, off any window's
    // thread, and told with the end.
    std::optional<FwVersionRead> version;
    if (outcome == FlashOutcome::Passed && version_settings_) {
        version.emplace();
        version->read = FW_ReadVersion(ec_.ports(), *version_settings_, version->text);
    }
    Emit(FlashStep::Ended, std::move(version));
    return result_;
}

FlashResult FlashRun::Refuse(FlashOutcome outcome, std::string text) {
    result_.refusal = std::move(text);
    return End(outcome);
}

bool FlashRun::ReadBackWhole() {
    for (chunk_ = 0; chunk_ < image_.chunks(); ++chunk_) {
        const ChunkComparison read = SPI_CompareChunk(ec_, image_.Chunk(chunk_), static_cast<uint8_t>(chunk_), 0x00, 0x00);
        if (read.faulted) return false;
        if (read.first_difference) {
            result_.failing_chunk = static_cast<uint8_t>(chunk_);
            return false;
        }
    }
    chunk_ = image_.chunks() - 1;
    return true;
}

FlashResult FlashRun::PassEnding() {
    // A chip whose ID gives no capacity may be smaller than the image: its addresses wrap, and
    // a later chunk overwrites an earlier one that had verified. Only the whole image read
    // back after the last chunk tells.
    if (!chip_.capacity) {
        in_chunks_ = true;
        const bool whole = ReadBackWhole();
        if (ec_.faulted()) return FaultEnding();
        in_chunks_ = false;
        if (!whole) return FailEnding(FlashOutcome::VerifyFailed);
    }
    SendEndCommand();
    if (ec_.faulted()) return FaultEnding();
    Emit(FlashStep::Verified);
    SleepMs(50);
    result_.outcome = bin_sum_ == work_.rom_sum ? FlashOutcome::Passed : FlashOutcome::ChecksumMismatch;
    Emit(FlashStep::SumsCompared);
    // The EC restarts its firmware after the end command; the version is read after it.
    if (result_.outcome == FlashOutcome::Passed) SleepMs(1000);
    return End(result_.outcome);
}

FlashResult FlashRun::FailEnding(FlashOutcome outcome) {
    // A run that processed no chunk has not yet told the EC to leave follow mode.
    if (!end_sent_) SendEndCommand();
    if (ec_.faulted()) return FaultEnding();
    const FlashResult result = End(outcome);
    SleepMs(50);
    return result;
}

FlashResult FlashRun::FaultEnding() {
    const HwFault fault = ec_.fault();
    if (in_chunks_) result_.failing_chunk = static_cast<uint8_t>(chunk_);
    // One more try of the end command, so that an EC that still listens leaves follow mode.
    ec_.ClearFault();
    if (!end_sent_) SendEndCommand();
    ec_.ClearFault();
    result_.fault = fault;
    return End(fault == HwFault::EcNotAnswering ? FlashOutcome::EcTimedOut : FlashOutcome::ChipTimedOut);
}

}  // namespace

FlashResult DoFlashProcedure(const FlashRunOptions& options, const FlashListener& listener) {
    return FlashRun(options, listener).Execute();
}
