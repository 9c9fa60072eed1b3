// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/bench_report.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace bench {
namespace {

double OpsPerByte(uint64_t accesses, uint64_t size) { return static_cast<double>(accesses) / size; }

double NsPerOp(const CaseResult& r) {
    return r.measured.total() == 0 ? 0 : r.run_seconds * 1e9 / r.measured.total();
}

std::string SizeText(uint64_t size) {
    char text[32];
    if (size >= kMiB) {
        std::snprintf(text, sizeof text, "%llu MiB", static_cast<unsigned long long>(size / kMiB));
    } else {
        std::snprintf(text, sizeof text, "%llu KiB", static_cast<unsigned long long>(size / kKiB));
    }
    return text;
}

void PrintTraffic(const char* label, const Traffic& t) {
    std::printf("    %-34s %12llu = %llu status + %llu command + %llu data + %llu other\n", label,
                static_cast<unsigned long long>(t.total()), static_cast<unsigned long long>(t.status_reads),
                static_cast<unsigned long long>(t.command_writes), static_cast<unsigned long long>(t.data_reads),
                static_cast<unsigned long long>(t.other));
}

void PrintPhases(const Outcome& o) {
    std::printf("  traffic by phase (from the event that opens it), measured / floor:\n");
    for (size_t i = 0; i < o.floor.phases.size() && i < kMaxPhases; ++i) {
        const Phase& phase = o.floor.phases[i];
        const Traffic& got = o.result.phase_measured[i];
        const std::string name = phase.name;
        const char* mark = got == phase.traffic ? "" : "   <-- differs";
        std::printf("    %-34s %12llu / %llu%s\n", name.c_str(), static_cast<unsigned long long>(got.total()),
                    static_cast<unsigned long long>(phase.traffic.total()), mark);
        if (!(got == phase.traffic)) {
            PrintTraffic("      measured", got);
            PrintTraffic("      floor", phase.traffic);
        }
    }
    if (o.result.unattributed.total() != 0) PrintTraffic("(after other events)", o.result.unattributed);
}

}  // namespace

void PrintCase(const Outcome& o, bool always_phases) {
    const CaseResult& r = o.result;
    std::printf("%s %s: %s\n", SizeText(o.size).c_str(), o.algo->name, r.passed ? "passed" : "FAILED");
    if (!r.passed) {
        std::printf("  %s\n", r.failure);
        if (r.measured.total() == 0) return;
    }
    const uint64_t got = r.measured.total();
    const uint64_t floor = o.floor.total.total();
    const double excess = floor == 0 ? 0 : 100.0 * (static_cast<double>(got) - floor) / floor;
    PrintTraffic("port accesses", r.measured);
    PrintTraffic("floor", o.floor.total);
    std::printf("  ops/byte %.4f, floor %.4f (%+.4f %%); peak RSS %ld KiB\n", OpsPerByte(got, o.size),
                OpsPerByte(floor, o.size), excess, r.peak_rss_kib);
    std::printf("  %.2f ns per access: fastest of %d runs %.3f s (processor time %.3f s; slowest run %.3f s)\n",
                NsPerOp(r), r.runs, r.run_seconds, r.cpu_seconds, r.slowest_seconds);
    const ChipWork& w = o.floor.work;
    const double est = EstimateHardwareSeconds(r.measured, w, o.algo->times, r.slept_ms);
    std::printf("  real hardware: %.1f s (%llu page programs, %llu word programs, %llu block erases, "
                "%llu status writes, %.2f s of pauses)\n",
                est, static_cast<unsigned long long>(w.page_programs),
                static_cast<unsigned long long>(w.word_programs), static_cast<unsigned long long>(w.block_erases),
                static_cast<unsigned long long>(w.status_writes), r.slept_ms / 1000.0);
    bool phases_differ = r.unattributed.total() != 0;
    for (size_t i = 0; i < o.floor.phases.size() && i < kMaxPhases; ++i) {
        phases_differ = phases_differ || !(r.phase_measured[i] == o.floor.phases[i].traffic);
    }
    if (always_phases || phases_differ) PrintPhases(o);
}

namespace {

const Outcome* Find(const std::vector<Outcome>& all, uint64_t size, const Algo& algo) {
    for (const Outcome& o : all) {
        if (o.size == size && o.algo == &algo && o.result.passed) return &o;
    }
    return nullptr;
}

const char* Verdict(bool met) { return met ? "met" : "NOT MET"; }

}  // namespace

// The targets, where the cases to judge them ran.
void PrintTargets(const std::vector<Outcome>& all, std::span<const Algo> algos) {
    std::printf("\ntargets:\n");
    for (const Outcome& o : all) {
        if (!o.result.passed) continue;
        const double floor = static_cast<double>(o.floor.total.total());
        const double excess = std::fabs(o.result.measured.total() - floor) / floor;
        const double ns = NsPerOp(o.result);
        std::printf("  %-8s %-8s ops within 0.1 %% of floor: %s; ns/op <= 25: %s\n", SizeText(o.size).c_str(),
                    o.algo->name, Verdict(excess <= 0.001), Verdict(ns <= 25.0));
    }
    for (const Algo& algo : algos) {
        const Outcome* small = Find(all, 64 * kKiB, algo);
        const Outcome* mid = Find(all, 1 * kMiB, algo);
        const Outcome* big = Find(all, 16 * kMiB, algo);
        if (small != nullptr && big != nullptr) {
            // The run holds the whole image as read at its start: that much growth is expected.
            const long growth = big->result.peak_rss_kib - small->result.peak_rss_kib;
            const long snapshot = static_cast<long>((big->size - small->size) / kKiB);
            std::printf("  %-8s peak RSS 16 MiB - 64 KiB = %ld KiB, %ld of it the image snapshot "
                        "(rest <= 1024): %s\n",
                        algo.name, growth, snapshot, Verdict(growth - snapshot <= 1024));
        }
        if (mid != nullptr && big != nullptr) {
            const double ratio = big->result.run_seconds / mid->result.run_seconds;
            const double cpu_ratio = big->result.cpu_seconds / mid->result.cpu_seconds;
            std::printf("  %-8s time 16 MiB / 1 MiB = %.2f (16 +- 10 %%): %s (processor time: %.2f)\n", algo.name,
                        ratio, Verdict(ratio >= 14.4 && ratio <= 17.6), cpu_ratio);
        }
    }
}

void PrintBenchLine(const Outcome& o) {
    const CaseResult& r = o.result;
    const double est = EstimateHardwareSeconds(r.measured, o.floor.work, o.algo->times, r.slept_ms);
    std::printf("bench size=%llu algo=%s ops_per_byte=%.4f floor_ops_per_byte=%.4f ns_per_op=%.2f "
                "peak_rss_kib=%ld est_hw_seconds=%.1f\n",
                static_cast<unsigned long long>(o.size), o.algo->name, OpsPerByte(r.measured.total(), o.size),
                OpsPerByte(o.floor.total.total(), o.size), NsPerOp(r), r.peak_rss_kib, est);
}

}  // namespace bench
