// SPDX-License-Identifier: GPL-3.0-or-later
// Flash-run benchmark: port accesses per image byte against the floor the link sequences
// allow, host time per port access, peak memory, and what the run would take on real
// hardware. Every case runs in a child process of its own, so memory peaks do not carry
// over. Only the simulator is ever driven; no real port is touched.

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_case.h"
#include "bench/bench_report.h"

namespace {

using bench::Algo;
using bench::Algorithm;
using bench::CaseResult;
using bench::Outcome;

// Typical chip times (datasheet "typ" values of common parts, not maxima):
//  - 256-byte page chips: page program 0.7 ms, 64 KB block erase 150 ms, status write 10 ms;
//  - word auto-increment chips: word program 10 us, 64 KB block erase 25 ms, status write 10 ms.
// Both chips get the same busy counts in the simulator: 2 status reads after a program,
// 3 after an erase, 1 after a status write.
const Algo kAlgos[] = {
    {"page256", sim::ChipKind::Winbond, {Algorithm::Page256, false, 2, 3, 1}, {0.7e-3, 0, 0.150, 0.010}},
    // Its ID gives no capacity: a pass ends with the whole image read back.
    {"aai-word", sim::ChipKind::SstJedec, {Algorithm::AaiWord, true, 2, 3, 1, false}, {0, 10e-6, 0.025, 0.010}},
};

using bench::kKiB;
using bench::kMiB;
const uint64_t kSizes[] = {64 * kKiB, 1 * kMiB, 4 * kMiB, 16 * kMiB};

struct Options {
    bool smoke = false;        // 64 KiB only, for CI
    bool phases = false;       // print the per-phase table for every case, not only on a mismatch
    uint64_t only_size = 0;    // 0: all sizes
    std::string only_algo;     // empty: all algorithms
    bench::RunPlan plan;
};

void Usage(std::FILE* to) {
    std::fprintf(to,
                 "usage: flash_bench [--smoke] [--phases] [--size=BYTES] [--algo=page256|aai-word]\n"
                 "                   [--runs=N] [--min-seconds=S]\n"
                 "  --smoke          run only the 64 KiB cases, twice each\n"
                 "  --phases         show port traffic per phase for every case\n"
                 "  --runs=N         repeat each flash run at least N times (default 5)\n"
                 "  --min-seconds=S  ... and until the runs of a case took S seconds (default 2)\n");
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--smoke") {
            options.smoke = true;
        } else if (arg == "--phases") {
            options.phases = true;
        } else if (arg.rfind("--size=", 0) == 0) {
            options.only_size = std::strtoull(arg.c_str() + 7, nullptr, 0);
        } else if (arg.rfind("--algo=", 0) == 0) {
            options.only_algo = arg.substr(7);
        } else if (arg.rfind("--runs=", 0) == 0) {
            options.plan.min_runs = std::max(1, std::atoi(arg.c_str() + 7));
        } else if (arg.rfind("--min-seconds=", 0) == 0) {
            options.plan.min_seconds = std::atof(arg.c_str() + 14);
        } else if (arg == "--help") {
            Usage(stdout);
            std::exit(0);
        } else {
            Usage(stderr);
            return false;
        }
    }
    if (options.smoke) options.plan = bench::RunPlan{2, 0.0};
    return true;
}

// Runs the case in a fresh child and takes its result over a pipe.
CaseResult RunInChild(uint64_t size, const Algo& algo, uint64_t seed, const bench::RunPlan& plan) {
    CaseResult result;
    int fds[2];
    if (::pipe(fds) != 0) {
        std::snprintf(result.failure, sizeof result.failure, "pipe failed: %s", std::strerror(errno));
        return result;
    }
    std::fflush(nullptr);  // nothing buffered may be written twice
    const pid_t pid = ::fork();
    if (pid < 0) {
        std::snprintf(result.failure, sizeof result.failure, "fork failed: %s", std::strerror(errno));
        ::close(fds[0]);
        ::close(fds[1]);
        return result;
    }
    if (pid == 0) {
        ::close(fds[0]);
        bench::RunCase(size, algo, seed, plan, result);
        const char* at = reinterpret_cast<const char*>(&result);
        size_t left = sizeof result;
        while (left > 0) {
            const ssize_t n = ::write(fds[1], at, left);
            if (n <= 0) ::_exit(2);
            at += n;
            left -= static_cast<size_t>(n);
        }
        std::fflush(nullptr);
        ::_exit(0);
    }
    ::close(fds[1]);
    char* at = reinterpret_cast<char*>(&result);
    size_t got = 0;
    while (got < sizeof result) {
        const ssize_t n = ::read(fds[0], at + got, sizeof result - got);
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (got != sizeof result || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        result = CaseResult{};
        if (WIFSIGNALED(status)) {
            std::snprintf(result.failure, sizeof result.failure, "the case died of signal %d", WTERMSIG(status));
        } else {
            std::snprintf(result.failure, sizeof result.failure, "the case ended without a result");
        }
    }
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) return 2;

    std::vector<Outcome> all;
    for (uint64_t size : kSizes) {
        if (options.smoke && size != 64 * kKiB) continue;
        if (options.only_size != 0 && size != options.only_size) continue;
        for (const Algo& algo : kAlgos) {
            if (!options.only_algo.empty() && options.only_algo != algo.name) continue;
            const uint64_t seed = size * 0x9E3779B1ull + (&algo - kAlgos);
            Outcome o{size, &algo, RunInChild(size, algo, seed, options.plan), bench::FloorForRun(size, algo.model)};
            bench::PrintCase(o, options.phases);
            all.push_back(o);
        }
    }
    if (all.empty()) {
        std::fprintf(stderr, "flash_bench: no case matches the options\n");
        return 2;
    }
    bench::PrintTargets(all, kAlgos);

    std::printf("\n");
    bool all_passed = true;
    for (const Outcome& o : all) {
        all_passed = all_passed && o.result.passed;
        if (!o.result.passed) continue;
        bench::PrintBenchLine(o);
    }
    return all_passed ? 0 : 1;
}
