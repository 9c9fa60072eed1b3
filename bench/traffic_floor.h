// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The port traffic a flash run cannot do without: counted from the link sequences, never
// measured, for an EC that has every handshake ready at its first status read and a chip
// that stays busy for a fixed number of status reads after each internal write.

#include <cstdint>
#include <optional>
#include <vector>

#include "flash/flash_events.h"

namespace bench {

/// Port accesses by kind, as the simulator counts them.
struct Traffic {
    uint64_t status_reads = 0;
    uint64_t command_writes = 0;
    uint64_t data_reads = 0;
    uint64_t other = 0;

    uint64_t total() const { return status_reads + command_writes + data_reads + other; }
    Traffic& operator+=(const Traffic& more);
    friend Traffic operator+(Traffic a, const Traffic& b) { return a += b; }
    friend Traffic operator*(uint64_t times, const Traffic& t);
    bool operator==(const Traffic&) const = default;
};

enum class Algorithm : uint8_t { Page256, AaiWord };

/// What the chip does in the run, as far as traffic depends on it.
struct ChipModel {
    Algorithm algorithm = Algorithm::Page256;
    bool wants_status_write_enable = false;  // 0x50 before latch and status writes
    uint32_t busy_reads_program = 2;         // status reads showing busy after a program
    uint32_t busy_reads_erase = 3;
    uint32_t busy_reads_status_write = 1;
    bool id_gives_capacity = true;           // else a pass reads the whole image back once more
};

/// Internal writes the chip performs in the run, for the real-hardware estimate.
struct ChipWork {
    uint64_t page_programs = 0;
    uint64_t word_programs = 0;
    uint64_t block_erases = 0;   // 64 KB erases
    uint64_t status_writes = 0;
    uint64_t busy_status_reads = 0;  // status reads that found the chip busy
};

/// Accesses expected from an event of the flash procedure to the next one: the procedure
/// reports each step before it takes it, so the windows between events are its phases.
/// Steps that no phase names must see no traffic at all.
struct Phase {
    const char* name;                // as printed
    std::optional<FlashStep> after;  // the event that opens the phase; none: before the first
    Traffic traffic;
};

struct Floor {
    Traffic total;
    std::vector<Phase> phases;
    ChipWork work;
};

/// The floor of a passing run over an image of `image_bytes` (a positive multiple of
/// 64 KiB) on a chip that answers the JEDEC ID read with a non-zero maker code.
Floor FloorForRun(uint64_t image_bytes, const ChipModel& chip);

/// Accesses of one status read inside an open read-status transaction (command 4 with its
/// handshakes, then the data byte).
Traffic StatusPollRead();

/// The floor of the backup before the first erase: one read-back fast read per 64 KiB chunk
/// of `backup_bytes` (a positive multiple of 64 KiB), as the ROM checksum reads.
Traffic FloorForBackup(uint64_t backup_bytes);
/// What the link needs at the very least to read `bytes`: one fast read over all of them.
Traffic LinkMinimumForRead(uint64_t bytes);

}  // namespace bench
