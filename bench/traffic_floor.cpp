// SPDX-License-Identifier: GPL-3.0-or-later
// Derivation of the floor. Every handshake is ready at its first status read, so:
//
//   EC command write   status read, command-port write, status read          2 SR + 1 CW
//   EC data read       status read (OBF set), data-port read                 1 SR + 1 DR
//   select / deselect  one command (1 / 5)                                    3
//   opcode / write     two commands (2 or 3, then the byte)                   6
//   read               command 4, then the data read                          5
//   ready wait, b busy select, 0x05, (b + 1) reads, deselect                  17 + 5b
//
//   write enable       ready wait, 0x06, [0x50], 0x05, one read, deselect    43 (+9 with 0x50)
//   write disable      ready wait, 0x04, 0x05, one read, deselect            43
//   (un)protect        ready wait, 0x06, 0x05, one read, [0x50], 0x01 + value,
//                      ready wait (bs busy)                                   72 + 5bs (+9)
//   erase              two of: write enable, opcode + 3 address bytes,
//                      deselect, ready wait (be busy)                         2 x (90 + 5be) (+18)
//   blank check/verify write disable, ready wait, 0x0B + 3 address + dummy,
//                      65536 reads, ready wait                                110 + 5 x 65536
//   256-byte pages     per page: write enable, 0x02 + 3 address, 256 writes,
//                      ready wait (bp busy); then write disable               256 x (1623 + 5bp) + 43
//   word auto-incr.    write enable, 0xAD + 3 address; per pair: 2 writes,
//                      ready wait (bp busy), 0xAD; write disable, ready wait  130 (+9) + 32768 x (38 + 5bp)
//
//   backup             one blank check/verify-shaped read per 64 KB chunk      110 + 5 x 65536
//
//   per run            drain (1 status read), follow-mode request (status,
//                      0xDC, status, status, data), ID read (ready wait,
//                      0x9F, 4 reads, deselect), end command                  1 + 5 + 49 + 3 = 58
//
// Neither chip modelled here gets the per-chunk status fix-up, so it adds nothing.
// Page chip (EF 40 16), bp=2 be=3 bs=1: 1 074 035 per chunk, 16.389 per byte.
// Word chip (BF 25 8E, with 0x50), same busy counts: 2 228 983 per chunk, 34.012 per byte.

#include "bench/traffic_floor.h"

#include <stdexcept>

namespace bench {

Traffic& Traffic::operator+=(const Traffic& more) {
    status_reads += more.status_reads;
    command_writes += more.command_writes;
    data_reads += more.data_reads;
    other += more.other;
    return *this;
}

Traffic operator*(uint64_t times, const Traffic& t) {
    return Traffic{times * t.status_reads, times * t.command_writes, times * t.data_reads, times * t.other};
}

namespace {

constexpr uint64_t kChunkBytes = 0x10000;
constexpr uint64_t kPagesPerChunk = 256;
constexpr uint64_t kPageBytes = 256;
constexpr uint64_t kPairsPerChunk = kChunkBytes / 2;
constexpr int kErasesPerChunk = 2;  // one per 32 KB half, each a 64 KB block erase

// Link operations.
const Traffic kStatusRead{1, 0, 0, 0};
const Traffic kCommand{2, 1, 0, 0};
const Traffic kDataRead{1, 0, 1, 0};
const Traffic kSelect = kCommand;
const Traffic kDeselect = kCommand;
const Traffic kOpcode = 2 * kCommand;
const Traffic kWrite = 2 * kCommand;
const Traffic kRead = kCommand + kDataRead;

class RunModel {
public:
    explicit RunModel(const ChipModel& chip) : chip_(chip) {}

    Traffic WaitReady(uint32_t busy_reads) {
        work_.busy_status_reads += busy_reads;
        return kSelect + kOpcode + (busy_reads + 1ull) * kRead + kDeselect;
    }
    Traffic StatusWriteEnable() { return chip_.wants_status_write_enable ? kSelect + kOpcode : Traffic{}; }
    Traffic WriteEnable() {
        return WaitReady(0) + kSelect + kOpcode + StatusWriteEnable() + kSelect + kOpcode + kRead + kDeselect;
    }
    Traffic WriteDisable() { return WaitReady(0) + kSelect + kOpcode + kSelect + kOpcode + kRead + kDeselect; }
    // Unprotect and protect differ only in the value written.
    Traffic WriteProtection() {
        ++work_.status_writes;
        return WaitReady(0) + kSelect + kOpcode + kSelect + kOpcode + kRead + StatusWriteEnable() + kSelect +
               kOpcode + kWrite + WaitReady(chip_.busy_reads_status_write);
    }
    Traffic Erase() {
        Traffic t;
        for (int i = 0; i < kErasesPerChunk; ++i) {
            ++work_.block_erases;
            t += WriteEnable() + kSelect + kOpcode + 3 * kWrite + kDeselect + WaitReady(chip_.busy_reads_erase);
        }
        return t;
    }
    Traffic FastReadWholeChunk() {
        return WriteDisable() + WaitReady(0) + kSelect + kOpcode + 4 * kWrite + kChunkBytes * kRead + WaitReady(0);
    }
    Traffic Program() { return chip_.algorithm == Algorithm::Page256 ? Pages256() : AaiWords(); }
    Traffic ReadId() { return WaitReady(0) + kSelect + kOpcode + 4 * kRead + kDeselect; }

    const ChipWork& work() const { return work_; }

private:
    Traffic Pages256() {
        Traffic t;
        for (uint64_t page = 0; page < kPagesPerChunk; ++page) {
            ++work_.page_programs;
            t += WriteEnable() + kSelect + kOpcode + 3 * kWrite + kPageBytes * kWrite +
                 WaitReady(chip_.busy_reads_program);
        }
        return t + WriteDisable();
    }
    Traffic AaiWords() {
        Traffic t = WriteEnable() + kSelect + kOpcode + 3 * kWrite;
        for (uint64_t pair = 0; pair < kPairsPerChunk; ++pair) {
            ++work_.word_programs;
            t += 2 * kWrite + WaitReady(chip_.busy_reads_program) + kSelect + kOpcode;
        }
        // The write disable's ready wait ends the last, data-less command.
        return t + WriteDisable() + WaitReady(0);
    }

    ChipModel chip_;
    ChipWork work_;
};

// Follow-mode request with the reply ready at once: timed IBF wait (one read), 0xDC written
// without handshakes, timed IBF wait, one status read sees OBF, the reply is read.
const Traffic kEnterFollowMode{3, 1, 1, 0};

}  // namespace

Traffic StatusPollRead() { return kRead; }

Traffic FloorForBackup(uint64_t backup_bytes) {
    if (backup_bytes == 0 || backup_bytes % kChunkBytes != 0) {
        throw std::invalid_argument("the floor model takes whole 64 KiB chunks only");
    }
    RunModel run(ChipModel{});
    Traffic t;
    for (uint64_t chunk = 0; chunk < backup_bytes / kChunkBytes; ++chunk) t += run.FastReadWholeChunk();
    return t;
}

Traffic LinkMinimumForRead(uint64_t bytes) {
    return kSelect + kOpcode + 4 * kWrite + bytes * kRead + kDeselect;
}

Floor FloorForRun(uint64_t image_bytes, const ChipModel& chip) {
    if (image_bytes == 0 || image_bytes % kChunkBytes != 0) {
        throw std::invalid_argument("the floor model takes whole 64 KiB chunks only");
    }
    const uint64_t chunks = image_bytes / kChunkBytes;
    RunModel run(chip);

    // Phases as the procedure's events open them; see the order of its steps.
    Traffic enter = kStatusRead + kEnterFollowMode;  // the drain finds no byte waiting
    Traffic identify = run.ReadId();
    Traffic unprotect, erase, blank, program, verify, close;
    for (uint64_t chunk = 0; chunk < chunks; ++chunk) {
        unprotect += run.WriteProtection();
        erase += run.Erase();
        blank += run.FastReadWholeChunk();
        program += run.Program();
        verify += run.FastReadWholeChunk();
        close += run.WriteProtection();
    }
    // A chip whose ID gives no capacity may wrap: the whole image is read back after the last
    // chunk's protection, before the end command.
    if (!chip.id_gives_capacity)
        for (uint64_t chunk = 0; chunk < chunks; ++chunk) close += run.FastReadWholeChunk();
    close += kCommand;  // the end command, after the last chunk's protection

    Floor floor;
    floor.phases = {
        {"(before the first event)", std::nullopt, enter},
        {"identifying", FlashStep::Identifying, identify},
        {"chunk started (unprotect)", FlashStep::ChunkStarted, unprotect},
        {"erasing", FlashStep::Erasing, erase},
        {"blank checking", FlashStep::BlankChecking, blank},
        {"programming", FlashStep::Programming, program},
        {"verifying", FlashStep::Verifying, verify},
        {"chunk done (protect, read-back, end command)", FlashStep::ChunkDone, close},
    };
    for (const Phase& phase : floor.phases) floor.total += phase.traffic;
    floor.work = run.work();
    return floor;
}

}  // namespace bench
