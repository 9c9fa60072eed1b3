// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One benchmark case: a fresh simulated EC and chip, a random image in a temporary file,
// one flash run with sleeps switched off, then the flash compared with the image.

#include <cstdint>
#include <string>

#include "bench/traffic_floor.h"
#include "flash/flash_procedure.h"
#include "sim/sim_device.h"

namespace bench {

/// Typical internal write times of the chip, for the real-hardware estimate.
struct ChipTimes {
    double page_program_s = 0;  // one 256-byte page
    double word_program_s = 0;  // one auto-increment word
    double block_erase_s = 0;   // one 64 KB block
    double status_write_s = 0;
};

struct Algo {
    const char* name;  // as printed: "page256", "aai-word"
    sim::ChipKind chip;
    ChipModel model;
    ChipTimes times;
};

inline constexpr int kMaxPhases = 8;

/// How often a case's flash run is repeated on the same device: the host time taken is the
/// fastest run, so a moment of preemption on a shared machine does not count.
struct RunPlan {
    int min_runs = 5;
    double min_seconds = 2.0;  // keep repeating until the runs took this long together
};

/// Everything a case reports; plain data, so a child process can hand it over a pipe.
struct CaseResult {
    bool passed = false;
    char failure[240] = {};
    Traffic measured;
    Traffic phase_measured[kMaxPhases];  // in the order of Floor::phases
    Traffic unattributed;                // under a status the floor model does not name
    double run_seconds = 0;              // wall time of the flash procedure alone, fastest run
    double slowest_seconds = 0;
    double cpu_seconds = 0;              // processor time of the fastest run: no preemption in it
    int runs = 0;
    uint64_t slept_ms = 0;               // what the procedure asked to sleep
    long peak_rss_kib = 0;
};

/// Runs the case in this process and fills `result` (never throws). Every repeated run must
/// pass and send exactly the traffic of the first.
void RunCase(uint64_t image_bytes, const Algo& algo, uint64_t seed, const RunPlan& plan, CaseResult& result);

/// What one simulated flash run gave.
struct SimulatedRun {
    FlashResult result;
    double seconds = 0;     // wall time of the flash procedure alone
    uint64_t slept_ms = 0;  // what the procedure asked to sleep
};

/// Runs the flash procedure once on `device` through the in-process seam, on a manual clock,
/// with the image at `image_path` opened for it and the hardware fault and the device's
/// counters cleared first; the counters then hold this run's traffic alone.
SimulatedRun RunOnDevice(sim::Device& device, const std::string& image_path, FlashRunOptions options);

/// Real-hardware seconds: every access that is not a busy status read at 1 µs, the chip's
/// internal writes at their typical times (busy polls happen during them), and the pauses.
double EstimateHardwareSeconds(const Traffic& measured, const ChipWork& work, const ChipTimes& times,
                               uint64_t slept_ms);

}  // namespace bench
