// SPDX-License-Identifier: GPL-3.0-or-later
// verify: the flash compared with an image chunk by chunk; nothing is written.

#include <cstdio>

#include "cli/chip_report.h"
#include "cli/commands.h"
#include "cli/ec_session.h"
#include "cli/image_argument.h"
#include "cli/words.h"
#include "flash/image.h"
#include "flash/preflight.h"
#include "flash/read_session.h"
#include "hw/hw_fault.h"
#include "spi/chunk_state.h"
#include "spi/verify.h"

namespace {

ExitStatus Verify(const CliRequest& request, const EcPorts& where, ImageSnapshot& image, CliOutput& out) {
    nlohmann::json differences = nlohmann::json::array();
    bool too_large = false;
    bool interrupted = false;
    const ReadSessionResult session = RunReadSession(where, [&](EcChannel& ec, const ChipRecord& chip) {
        out.Event(IdentifiedEvent(chip));
        out.Say(ChipWords(chip));
        if (!ImageFitsChip(image.size(), chip.capacity)) {
            too_large = true;
            return;
        }
        for (uint32_t chunk = 0; chunk < image.chunks(); ++chunk) {
            if (SessionInterrupted()) {
                interrupted = true;
                return;
            }
            out.Progress({.phase = "comparing", .chunk = chunk, .chunks = image.chunks(),
                          .bytes_done = uint64_t{chunk} * kChunkBytes, .bytes_total = uint64_t{image.chunks()} * kChunkBytes, .chunks_done = chunk});
            const ChunkComparison comparison = SPI_CompareChunk(ec, image.Chunk(chunk), static_cast<uint8_t>(chunk), 0x00, 0x00);
            if (comparison.faulted) return;
            nlohmann::json first = nullptr;
            if (comparison.first_difference) {
                const uint32_t address = chunk * kChunkBytes + *comparison.first_difference;
                first = address;
                differences.push_back({{"chunk", chunk}, {"address", address}});
                out.Say("chunk " + std::to_string(chunk) + " differs from address " + HexText(address, 6) + " on");
            }
            out.Event({{"event", "compared_chunk"}, {"chunk", chunk}, {"chunks", image.chunks()},
                       {"first_difference", first}});
        }
    });

    nlohmann::json fields = {{"image", request.file}, {"chunks", image.chunks()}, {"differences", differences}};
    switch (session.status) {
        case ReadSessionStatus::NoAcknowledge:
            return out.Result("verify", ExitStatus::Refused, NoFollowModeText(session.reply), fields);
        case ReadSessionStatus::Faulted:
            return out.Result("verify", ExitStatus::Failed,
                              std::string("verify failed: ") + HW_FaultText(session.fault) + "; run probe", fields);
        case ReadSessionStatus::Busy: return out.Result("verify", ExitStatus::Refused, session.refusal);
        case ReadSessionStatus::Done: break;
    }
    if (interrupted)
        return out.Result("verify", ExitStatus::Failed, "interrupted: the EC is released; the comparison is incomplete",
                          fields);
    if (too_large)
        return out.Result("verify", ExitStatus::Refused,
                          "the image (" + std::to_string(image.size()) + " bytes) is larger than the flash chip (" +
                              std::to_string(*session.chip->capacity) + " bytes); it cannot be the chip's image",
                          fields);
    if (!differences.empty())
        return out.Result("verify", ExitStatus::Failed,
                          std::to_string(differences.size()) + " of " + std::to_string(image.chunks()) +
                              " chunks differ from the image; write the image to bring the flash in line",
                          fields);
    return out.Result("verify", ExitStatus::Passed,
                      "the flash holds the image: all " + std::to_string(image.chunks()) + " chunks match", fields);
}

}  // namespace

ExitStatus RunVerify(const CliRequest& request, const EcSetup& setup, CliOutput& out) {
    ImageArgument file;
    if (const auto refused = file.Open(request.file, "verify", out)) return *refused;
    ImageSnapshot image;
    if (image.Take(file.file()) != SnapshotStatus::Taken)
        return out.Result("verify", ExitStatus::Usage, "the image " + request.file + " could not be read whole");
    return RunEcSession(SessionPlan{.command = "verify"}, setup, out, [&] { return Verify(request, EcSetupPorts(setup), image, out); });
}
