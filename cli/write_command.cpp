// SPDX-License-Identifier: GPL-3.0-or-later
// write: one flash run of the engine with every check, its events shown as progress and JSON.

#include <cstdio>

#include "cli/chip_report.h"
#include "cli/commands.h"
#include "cli/ec_session.h"
#include "cli/image_argument.h"
#include "cli/names.h"
#include "cli/words.h"
#include "flash/flash_procedure.h"
#include "flash/image.h"
#include "flash/write_estimate.h"
#include "hw/hw_fault.h"

namespace {

struct ChunkCounts {
    uint32_t written = 0;
    uint32_t unchanged = 0;
};

nlohmann::json EventJson(const FlashEvent& event) {
    nlohmann::json object = {
        {"event", StepName(event.step)},   {"chunk", event.chunk},
        {"chunks", event.chunks},          {"bytes_done", event.bytes_done},
        {"image_bytes", event.image_bytes},
    };
    // The ID is known from run_started on.
    if (event.step >= FlashStep::RunStarted && event.step != FlashStep::Ended && event.result.chip)
        object["chip_id"] = ChipIdText(event.result.chip->id.data());
    if (event.step == FlashStep::ChunkDone || event.step == FlashStep::Ended)
        object["outcome"] = OutcomeName(event.result.outcome);
    if (event.step == FlashStep::BackedUp) object["backup"] = event.result.backup_path;
    return object;
}

}  // namespace

ExitStatus WriteExitStatus(FlashOutcome outcome) {
    switch (outcome) {
        case FlashOutcome::Passed:
        case FlashOutcome::ChecksumMismatch: return ExitStatus::Passed;
        case FlashOutcome::ImageTooLarge:
        case FlashOutcome::LowBattery:
        case FlashOutcome::NoEcAnswer:
        case FlashOutcome::SessionBusy:
        case FlashOutcome::ImageLargerThanChip:
        case FlashOutcome::BackupFailed:
        case FlashOutcome::NoAcknowledge: return ExitStatus::Refused;
        case FlashOutcome::ImageSizeUnknown:
        case FlashOutcome::ImageUnreadable:
        case FlashOutcome::NothingToFlash: return ExitStatus::Usage;
        case FlashOutcome::NoMemory:
        case FlashOutcome::BlankCheckFailed:
        case FlashOutcome::VerifyFailed:
        case FlashOutcome::EcTimedOut:
        case FlashOutcome::ChipTimedOut: return ExitStatus::Failed;
    }
    return ExitStatus::Failed;
}

namespace {

std::string MessageOf(const FlashResult& result, const ChunkCounts& counts, uint32_t chunks) {
    const std::string at_chunk =
        result.failing_chunk ? " in chunk " + std::to_string(*result.failing_chunk) + " (address " +
                                   HexText(uint32_t{*result.failing_chunk} << 16) + ")"
                             : "";
    const std::string keep_power = "; keep the machine powered and write the image (or the backup) again";
    switch (result.outcome) {
        case FlashOutcome::Passed:
        case FlashOutcome::ChecksumMismatch: {
            std::string text = counts.written == 0
                                   ? "passed: nothing was written, all " + std::to_string(chunks) +
                                         " chunks already held the image"
                                   : "passed: " + std::to_string(counts.written) + " of " + std::to_string(chunks) +
                                         " chunks written and verified";
            if (counts.written != 0 && counts.unchanged != 0)
                text += ", " + std::to_string(counts.unchanged) + " already held the image";
            if (result.outcome == FlashOutcome::ChecksumMismatch)
                text += "; but the image sum and the read-back sum differ: run verify";
            return text;
        }
        case FlashOutcome::NoAcknowledge: return NoFollowModeText(FollowModeReply{result.ack_seen, result.ack});
        case FlashOutcome::SessionBusy: return result.refusal;
        case FlashOutcome::ImageTooLarge: return "the image is larger than 16 MiB; nothing was written";
        case FlashOutcome::LowBattery: return result.refusal + " Plug in the charger and write again";
        case FlashOutcome::NoEcAnswer: return result.refusal + " Check --port (or --settings); run probe";
        case FlashOutcome::ImageLargerThanChip:
            return "the image is larger than the flash chip (" + ChipWords(*result.chip) +
                   "); it cannot be this EC's image. Nothing was erased";
        case FlashOutcome::BackupFailed:
            return "the flash could not be saved to " + result.backup_path + " before erasing (" +
                   (result.fault != HwFault::None ? HW_FaultText(result.fault) : result.refusal) +
                   "); nothing was erased. Make backups/ writable with room for the chip, or use --no-backup";
        case FlashOutcome::ImageSizeUnknown:
        case FlashOutcome::ImageUnreadable: return "the image could not be read whole; nothing was written";
        case FlashOutcome::NothingToFlash: return "the image is empty; nothing was written";
        case FlashOutcome::NoMemory: return "not enough memory to hold the image; nothing was written";
        case FlashOutcome::BlankCheckFailed:
            return "flash failed: the chip did not read erased after the erase" + at_chunk + keep_power;
        case FlashOutcome::VerifyFailed: return "flash failed: verify found a differing byte" + at_chunk + keep_power;
        case FlashOutcome::EcTimedOut:
        case FlashOutcome::ChipTimedOut: return std::string("flash failed: ") + HW_FaultText(result.fault) + at_chunk + keep_power;
    }
    return "flash failed";
}

// The plan of a dry run, as the closing line says it.
std::string PlanText(const WritePlan& plan, uint32_t chunks) {
    const auto to_write = static_cast<uint32_t>(plan.chunks_to_write.size());
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(plan.estimated_accesses) * kSecondsPerPortAccess);
    std::string text = "dry run: " + std::to_string(to_write) + " of " + std::to_string(chunks) +
                       " chunks would be erased and programmed (" + std::to_string(plan.bytes_to_write) + " bytes)";
    if (plan.chunks_unchanged != 0) text += ", " + std::to_string(plan.chunks_unchanged) + " already hold the image";
    return text + "; about " + seconds + " s on real hardware; nothing was written";
}

ExitStatus DryRunResult(const CliRequest& request, const ImageArgument& image, const FlashResult& result,
                        uint32_t chunks, CliOutput& out) {
    const WritePlan& plan = *result.plan;
    for (uint32_t chunk : plan.chunks_to_write)
        out.Say("would erase and program chunk " + std::to_string(chunk) + " (address " + HexText(uint64_t{chunk} << 16) +
                ")");
    const nlohmann::json fields = {
        {"image", request.file},
        {"image_bytes", image.size()},
        {"dry_run", true},
        {"chunks", chunks},
        {"chunks_to_write", plan.chunks_to_write},
        {"chunks_unchanged", plan.chunks_unchanged},
        {"bytes_to_write", plan.bytes_to_write},
        {"estimated_seconds", static_cast<double>(plan.estimated_accesses) * kSecondsPerPortAccess},
    };
    return out.Result("write", ExitStatus::Passed, PlanText(plan, chunks), fields);
}

ProgressPoint PointOf(const FlashEvent& event) {
    ProgressPoint point;
    point.phase = StepWords(event.step);
    // The chunk shown is the one the step is about; the count of finished ones times the rest.
    point.chunk = event.chunk;
    point.chunks_done = event.step == FlashStep::ChunkDone || event.step == FlashStep::ChunkUnchanged
                            ? event.chunk + 1
                            : event.chunk;
    if (event.step >= FlashStep::Verified) point.chunk = point.chunks_done = event.chunks;
    point.chunks = event.chunks;
    point.bytes_done = event.bytes_done;
    point.bytes_total = event.image_bytes;
    return point;
}

ExitStatus Write(const CliRequest& request, const EcSetup& setup, ImageArgument& image, CliOutput& out) {
    ChunkCounts counts;
    uint32_t chunks = 0;
    FlashRunOptions options;
    options.image = image.file();
    options.ports = EcSetupPorts(setup);
    options.end_cmd = static_cast<uint8_t>(setup.end_cmd);
    options.only_changed = request.only_changed;
    options.dry_run = request.dry_run;
    options.safeguards.backup = !request.no_backup;
    const FlashResult result = DoFlashProcedure(options, [&](const FlashEvent& event) {
        chunks = event.chunks;
        if (event.step == FlashStep::ChunkUnchanged) ++counts.unchanged;
        if (event.step == FlashStep::ChunkDone && event.result.outcome == FlashOutcome::Passed) ++counts.written;
        if (event.step == FlashStep::RunStarted) out.Say(ChipWords(*event.result.chip));
        if (event.step == FlashStep::BackedUp) out.Say("the flash as it was is saved in " + event.result.backup_path);
        out.Event(EventJson(event));
        if (event.step != FlashStep::Ended) out.Progress(PointOf(event));
    });

    if (result.plan) return DryRunResult(request, image, result, chunks, out);
    if (request.dry_run && (result.outcome == FlashOutcome::EcTimedOut || result.outcome == FlashOutcome::ChipTimedOut))
        return out.Result("write", ExitStatus::Failed,
                          std::string("dry run failed: ") + HW_FaultText(result.fault) + "; nothing was written",
                          {{"image", request.file}, {"dry_run", true}, {"outcome", OutcomeName(result.outcome)}});

    nlohmann::json fields = {
        {"image", request.file},
        {"image_bytes", image.size()},
        {"outcome", OutcomeName(result.outcome)},
        {"chunks", chunks},
        {"chunks_written", counts.written},
        {"chunks_unchanged", counts.unchanged},
        {"failing_chunk", result.failing_chunk ? nlohmann::json(*result.failing_chunk) : nlohmann::json(nullptr)},
        {"bin_sum", result.bin_sum},
        {"rom_sum", result.rom_sum},
        {"backup", result.backup_path.empty() ? nlohmann::json(nullptr) : nlohmann::json(result.backup_path)},
    };
    return out.Result("write", WriteExitStatus(result.outcome), MessageOf(result, counts, chunks), fields);
}

}  // namespace

ExitStatus RunWrite(const CliRequest& request, const EcSetup& setup, CliOutput& out) {
    ImageArgument image;
    if (const auto refused = image.Open(request.file, "write", out)) return *refused;
    if (!request.yes && !request.dry_run) {
        const std::string question = "Rewrite the EC flash at data port " + HexText(setup.data_port) +
                                     " with " + request.file + " (" + SizeWords(image.size()) +
                                     ")? A machine whose EC flash is left wrong does not start.";
        switch (AskToConfirm(question)) {
            case Confirmation::Confirmed: break;
            case Confirmation::Declined:
                return out.Result("write", ExitStatus::Refused, "not confirmed; nothing was written");
            case Confirmation::NoTerminal:
                return out.Result("write", ExitStatus::Usage,
                                  "no terminal to confirm the write on; add --yes to write without asking");
        }
    }
    SessionPlan plan;
    plan.command = "write";
    plan.writes_flash = !request.dry_run;
    return RunEcSession(plan, setup, out,
                        [&] { return Write(request, setup, image, out); });
}
