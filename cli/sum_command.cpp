// SPDX-License-Identifier: GPL-3.0-or-later
// sum: the checksum tools, the image's sum as a flash run takes it or the flash's own.

#include "cli/chip_report.h"
#include "cli/commands.h"
#include "cli/ec_session.h"
#include "cli/image_argument.h"
#include "cli/words.h"
#include "flash/checksum_tools.h"
#include "flash/image.h"
#include "hw/hw_fault.h"
#include "platform/write_target.h"
#include "spi/chunk_state.h"
#include "spi/verify.h"

namespace {

constexpr uint64_t kDefaultRomBytes = 128 * 1024;

nlohmann::json SumFields(const char* source, uint64_t bytes, uint32_t sum) {
    return {{"source", source}, {"bytes", bytes}, {"sum", sum}, {"sum_text", ChecksumText(sum)}};
}

ExitStatus ImageSum(const CliRequest& request, CliOutput& out) {
    ImageArgument image;
    if (const auto refused = image.Open(request.file, "sum", out)) return *refused;
    const uint64_t chunks = (image.size() + kChunkBytes - 1) / kChunkBytes;
    uint32_t chunks_done = 0;
    const BinChecksumResult summed = BinChecksum(image.file(), [&](uint32_t) {
        out.Progress({.phase = "summing", .chunk = chunks_done, .chunks = static_cast<uint32_t>(chunks),
                      .chunks_done = chunks_done + 1});
        ++chunks_done;
    });
    if (summed.status != BinChecksumStatus::Done)
        return out.Result("sum", ExitStatus::Failed, "the image " + request.file + " could not be read whole");
    nlohmann::json fields = SumFields("image", chunks * kChunkBytes, summed.sum);
    fields["image"] = request.file;
    return out.Result("sum", ExitStatus::Passed, "BIN = " + ChecksumText(summed.sum) + " (" + request.file + ")", fields);
}

ExitStatus RomSum(const EcPorts& where, uint64_t bytes, CliOutput& out) {
    out.Progress({.phase = "reading the flash", .bytes_total = bytes});
    const RomChecksumResult result = RomChecksum(where, static_cast<int32_t>(bytes / 1024), SessionInterrupted);
    switch (result.status) {
        case RomChecksumStatus::Done: break;
        case RomChecksumStatus::SizeTooLarge:
            return out.Result("sum", ExitStatus::Usage, "--size is more than the 16 MiB the flash address reaches");
        case RomChecksumStatus::SizeTooSmall:
            return out.Result("sum", ExitStatus::Usage, "--size is less than one 64 KB chunk");
        case RomChecksumStatus::SizeAboveChip:
            return out.Result("sum", ExitStatus::Usage,
                              "--size " + std::to_string(bytes) + " is more than the chip holds (" +
                                  std::to_string(result.chip_capacity.value_or(0)) + " bytes); nothing was read");
        case RomChecksumStatus::PortsRefused:
            return out.Result("sum", ExitStatus::Refused, "the EC ports are out of range; check --port");
        case RomChecksumStatus::Busy: return out.Result("sum", ExitStatus::Refused, result.refusal);
        case RomChecksumStatus::AckFail:
            return out.Result("sum", ExitStatus::Refused, NoFollowModeText(result.reply));
        case RomChecksumStatus::Interrupted:
            return out.Result("sum", ExitStatus::Failed,
                              "interrupted: the EC is released and " + std::string(kLoadRomName) + " was not written");
        case RomChecksumStatus::Faulted:
            return out.Result("sum", ExitStatus::Failed,
                              std::string("the flash could not be read whole: ") + HW_FaultText(result.fault));
    }
    nlohmann::json fields = SumFields("rom", bytes, result.sum);
    fields["dump"] = kLoadRomName;
    const std::string message = "ROM = " + ChecksumText(result.sum) + " (" + SizeWords(bytes) + " from address 0)";
    if (!result.dump_written)
        return out.Result("sum", ExitStatus::Failed,
                          message + "; but " + kLoadRomName + " could not be written (" + result.dump_problem +
                              "): any " + kLoadRomName + " there is the old one",
                          fields);
    return out.Result("sum", ExitStatus::Passed, message, fields);
}

}  // namespace

ExitStatus RunSum(const CliRequest& request, const EcSetup& setup, CliOutput& out) {
    if (request.rom == !request.file.empty())
        return out.Result("sum", ExitStatus::Usage, "give either an IMAGE or --rom to sum");
    if (request.size && !request.rom)
        return out.Result("sum", ExitStatus::Usage, "--size goes with --rom; an image is summed whole");
    if (!request.rom) return ImageSum(request, out);
    const uint64_t bytes = request.size.value_or(kDefaultRomBytes);
    // Found out before the EC is asked anything, not after minutes of reading.
    if (const std::string refusal = WriteTargetRefusal(kLoadRomName); !refusal.empty())
        return out.Result("sum", ExitStatus::Usage, refusal + "; " + kLoadRomName + " is left as it is");
    return RunEcSession(SessionPlan{.command = "sum"}, setup, out, [&] { return RomSum(EcSetupPorts(setup), bytes, out); });
}
