// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Port accesses a write would make, counted from the link sequences for an EC with every
// handshake ready at once and a chip that is busy for a few status reads, and the time they
// take on real hardware at about a microsecond per access.

#include <cstdint>

#include "spi/chip_id.h"

/// Seconds one port access takes on real hardware (an ISA-speed I/O cycle).
inline constexpr double kSecondsPerPortAccess = 1e-6;

/// Accesses to read `bytes` (whole 64 KB chunks) with one fast read per chunk.
uint64_t AccessesToRead(uint64_t bytes);
/// Accesses to unprotect, erase, blank-check, program, verify and protect one 64 KB chunk of
/// a chip with `traits`.
uint64_t AccessesToWriteChunk(const ChipTraits& traits);
