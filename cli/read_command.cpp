// SPDX-License-Identifier: GPL-3.0-or-later
// read: the whole flash into a file, replaced in one step once every byte is read.

#include <memory>

#include "cli/chip_report.h"
#include "cli/commands.h"
#include "cli/ec_session.h"
#include "cli/words.h"
#include "flash/read_session.h"
#include "hw/hw_fault.h"
#include "platform/atomic_file.h"
#include "spi/chunk_state.h"
#include "spi/verify.h"

namespace {

uint32_t ByteSum(const std::vector<uint8_t>& bytes) {
    uint32_t sum = 0;
    for (uint8_t byte : bytes) sum += byte;
    return sum;
}

ExitStatus Read(const CliRequest& request, const EcPorts& where, StagedReplacement& file, CliOutput& out) {
    std::vector<uint8_t> bytes;
    std::string size_problem;
    bool interrupted = false;
    const ReadSessionResult session = RunReadSession(where, [&](EcChannel& ec, const ChipRecord& chip) {
        out.Event(IdentifiedEvent(chip));
        out.Say(ChipWords(chip));
        const std::optional<uint32_t> capacity = chip.capacity;
        if (!request.size && !capacity) {
            size_problem = "the chip's ID does not give its capacity; give --size (e.g. --size 1M)";
            return;
        }
        if (request.size && capacity && *request.size > *capacity) {
            size_problem = "--size " + std::to_string(*request.size) + " is more than the chip holds (" +
                           std::to_string(*capacity) + " bytes); leave --size out to read the whole chip";
            return;
        }
        // Past a chip's end the address wraps to its start: without its capacity, say so.
        if (request.size && !capacity)
            out.Say("the chip's ID does not give its capacity; reading the " + SizeWords(*request.size) +
                    " asked for, which repeat the chip's start if it is smaller");
        bytes.resize(request.size.value_or(capacity.value_or(0)));
        const auto chunks = static_cast<uint32_t>(bytes.size() / kChunkBytes);
        for (uint32_t chunk = 0; chunk < chunks; ++chunk) {
            if (SessionInterrupted()) {
                interrupted = true;
                return;
            }
            out.Progress({.phase = "reading", .chunk = chunk, .chunks = chunks,
                          .bytes_done = uint64_t{chunk} * kChunkBytes, .bytes_total = bytes.size(),
                          .chunks_done = chunk});
            if (!SPI_ReadChunk(ec, static_cast<uint8_t>(chunk), 0x00, 0x00, bytes.data() + uint64_t{chunk} * kChunkBytes))
                return;
            out.Event({{"event", "read_chunk"}, {"chunk", chunk}, {"chunks", chunks},
                       {"bytes_done", uint64_t{chunk + 1} * kChunkBytes}});
        }
    });

    switch (session.status) {
        case ReadSessionStatus::NoAcknowledge:
            return out.Result("read", ExitStatus::Refused,
                              NoFollowModeText(session.reply) + "; " + request.file + " was not written");
        case ReadSessionStatus::Faulted:
            return out.Result("read", ExitStatus::Failed,
                              std::string("the flash could not be read whole: ") + HW_FaultText(session.fault) + "; " +
                                  request.file + " was not written");
        case ReadSessionStatus::Busy: return out.Result("read", ExitStatus::Refused, session.refusal);
        case ReadSessionStatus::Done: break;
    }
    if (!size_problem.empty()) return out.Result("read", ExitStatus::Usage, size_problem);
    if (interrupted)
        return out.Result("read", ExitStatus::Failed,
                          "interrupted: the EC is released and " + request.file + " was not written");
    const std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (!file.Append(view) || !file.Commit())
        return out.Result("read", ExitStatus::Failed,
                          "the flash was read but " + request.file + " could not be written; check the disk");
    const uint32_t sum = ByteSum(bytes);
    return out.Result("read", ExitStatus::Passed,
                      SizeWords(bytes.size()) + " of flash read into " + request.file,
                      {{"file", request.file}, {"bytes", bytes.size()}, {"sum", sum}});
}

}  // namespace

ExitStatus RunRead(const CliRequest& request, const EcSetup& setup, CliOutput& out) {
    // The file is made ready before the EC is asked anything: a path that cannot be written
    // is found out at once, not after minutes of reading.
    StagedReplacement file(request.file, ReplaceRule::RegularFileOnly);
    if (!file.refusal().empty())
        return out.Result("read", ExitStatus::Usage, file.refusal() + "; nothing was read");
    if (!file.ready())
        return out.Result("read", ExitStatus::Usage,
                          "cannot create " + request.file + "; name a file in a writable directory");
    return RunEcSession(SessionPlan{.command = "read"}, setup, out, [&] { return Read(request, EcSetupPorts(setup), file, out); });
}
