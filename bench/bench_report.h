// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the benchmark prints: a block per case, the targets judged, and the
// one-line-per-case summary that scripts read.

#include <cstdint>
#include <span>
#include <vector>

#include "bench/bench_case.h"
#include "bench/traffic_floor.h"

namespace bench {

inline constexpr uint64_t kKiB = 1024;
inline constexpr uint64_t kMiB = 1024 * kKiB;

struct Outcome {
    uint64_t size;
    const Algo* algo;
    CaseResult result;
    Floor floor;
};

/// Traffic, floor, host time, memory and hardware estimate of one case; the per-phase
/// traffic too when `always_phases` or when any phase is off its floor.
void PrintCase(const Outcome& o, bool always_phases);
/// Each target of the issue with "met" or "NOT MET", for the cases that ran and passed.
void PrintTargets(const std::vector<Outcome>& all, std::span<const Algo> algos);
/// `bench size=... algo=... ops_per_byte=... floor_ops_per_byte=... ns_per_op=...
/// peak_rss_kib=... est_hw_seconds=...` for a passed case.
void PrintBenchLine(const Outcome& o);

}  // namespace bench
