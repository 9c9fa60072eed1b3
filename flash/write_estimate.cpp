// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/write_estimate.h"

namespace {

// The link's steps, in port accesses (see the benchmark's traffic floor for the derivation):
// a link command is a status read, a command-port write and a status read; a byte read is a
// link command and a data-port read.
constexpr uint64_t kCommand = 3;
constexpr uint64_t kSelect = kCommand;
constexpr uint64_t kOpcode = 2 * kCommand;
constexpr uint64_t kWrite = 2 * kCommand;
constexpr uint64_t kRead = kCommand + 2;
constexpr uint64_t kChunk = 0x10000;
constexpr uint64_t kBusyReads = 2;  // a busy chip's status reads after an internal write

constexpr uint64_t WaitReady(uint64_t busy) { return kSelect + kOpcode + (busy + 1) * kRead + kSelect; }
constexpr uint64_t kWriteEnable = WaitReady(0) + kSelect + kOpcode + kSelect + kOpcode + kRead + kSelect;
// Blank check and verify read the chunk the same way: write disable, fast read, ready wait.
constexpr uint64_t kReadChunk = kWriteEnable + kSelect + kOpcode + 4 * kWrite + kChunk * kRead + WaitReady(0);

uint64_t Program(const ChipTraits& traits) {
    switch (traits.program) {
        case ProgramAlgorithm::Page256:
        case ProgramAlgorithm::Page32: {
            const uint64_t page = traits.program == ProgramAlgorithm::Page256 ? 256 : 32;
            const uint64_t per_page = kWriteEnable + kSelect + kOpcode + 3 * kWrite + page * kWrite + WaitReady(kBusyReads);
            return kChunk / page * per_page + kWriteEnable;
        }
        case ProgramAlgorithm::AaiByte:
        case ProgramAlgorithm::AaiWord: {
            const uint64_t per_step = traits.program == ProgramAlgorithm::AaiWord ? 2 : 1;
            const uint64_t step = per_step * kWrite + WaitReady(kBusyReads) + kSelect + kOpcode;
            return kWriteEnable + kSelect + kOpcode + 3 * kWrite + kChunk / per_step * step + 2 * kWriteEnable;
        }
    }
    return 0;
}

uint64_t Erase(const ChipTraits& traits) {
    const uint64_t one = kWriteEnable + kSelect + kOpcode + 3 * kWrite + kSelect + WaitReady(3);
    switch (traits.erase) {
        case EraseKind::Sector1K_D7: return 64 * one;
        case EraseKind::Block52Pair:
        case EraseKind::BlockD8Pair: return 2 * one;
        case EraseKind::BlockD8Triple: return 3 * one;
    }
    return 2 * one;
}

}  // namespace

uint64_t AccessesToRead(uint64_t bytes) { return (bytes + kChunk - 1) / kChunk * kReadChunk; }

uint64_t AccessesToWriteChunk(const ChipTraits& traits) {
    const uint64_t protection = 2 * (kWriteEnable + kSelect + kOpcode + kWrite + WaitReady(1));
    return protection + Erase(traits) + 2 * kReadChunk + Program(traits);
}
