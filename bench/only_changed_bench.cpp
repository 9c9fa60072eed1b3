// SPDX-License-Identifier: GPL-3.0-or-later
// Only-changed write benchmark: a flash run that reads every chunk first and rewrites only
// those that differ, on a 4 MiB image with no chunk and with one chunk changed, beside a full
// write of the same image; and the same with the backup before the first erase, whose one
// read is also the comparison's input. Port accesses per byte against the read floor (one read-back fast
// read per chunk, as the comparison needs) and the time each would take on real hardware.
// Only the in-process simulator is driven; no real port is touched and nothing sleeps.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/bench_case.h"
#include "bench/random_image.h"
#include "bench/traffic_floor.h"
#include "flash/flash_procedure.h"
#include "flash/image_reader.h"
#include "platform/clock.h"
#include "sim/in_process.h"
#include "spi/chip_id.h"
#include "spi/chunk_state.h"

namespace {

constexpr uint64_t kChunk = 64 * 1024;

// The page256 case of flash_bench: typical chip times of a 256-byte page part.
const bench::ChipModel kModel{bench::Algorithm::Page256, false, 2, 3, 1};
const bench::ChipTimes kTimes{0.7e-3, 0, 0.150, 0.010};

struct Case {
    const char* name;
    bool only_changed;
    int changed_chunks;  // chunks whose flash differs from the image; -1: the whole flash does
    bool backup;         // the whole chip is saved first (the image fills the chip)
};

struct Result {
    bool passed = false;
    std::string failure;
    bench::Traffic measured;
    double seconds = 0;
    uint64_t slept_ms = 0;
};

Result RunCase(const Case& c, uint64_t image_bytes) {
    Result result;
    bench::TempImage file(image_bytes, 11);
    std::ifstream in(file.path(), std::ios::binary);
    const std::vector<uint8_t> image{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!file.ok() || image.size() != image_bytes) {
        result.failure = "image not written";
        return result;
    }

    sim::Config config;  // winbond: 4 MiB by its ID, 256-byte pages
    sim::Device device(config);
    auto flash = device.flash();
    if (c.changed_chunks < 0) {
        bench::RandomBytes(12).Fill(flash.subspan(0, image_bytes));
    } else {
        std::copy(image.begin(), image.end(), flash.begin());
        // The change sits in the middle of the image, where a comparison reads furthest.
        const uint64_t first = image_bytes / kChunk / 2;
        for (int k = 0; k < c.changed_chunks; ++k) flash[(first + k) * kChunk + 1000] ^= 0x5A;
    }

    ManualClock clock(0);
    ScopedClock scoped_clock(clock);
    std::FILE* opened = std::fopen(file.path().c_str(), "rb");
    sim::InProcess seam(device);
    device.ResetCounters();

    FlashRunOptions options;
    options.image = opened;
    options.end_cmd = 0xFE;
    options.only_changed = c.only_changed;
    options.safeguards.backup = c.backup;
    const std::filesystem::path backups =
        std::filesystem::temp_directory_path() / ("vantu-bench-backups-" + std::to_string(image_bytes) + c.name);
    options.safeguards.backup_plan.directory = backups.string();
    const auto start = std::chrono::steady_clock::now();
    const FlashResult run = DoFlashProcedure(options, nullptr);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const sim::PortCounters& counted = device.counters();
    result.measured = {counted.status_reads, counted.command_writes, counted.data_reads, counted.other};
    result.slept_ms = clock.slept_ms();
    std::fclose(opened);
    std::error_code ignored;
    std::filesystem::remove_all(backups, ignored);

    if (run.outcome != FlashOutcome::Passed) {
        result.failure = std::string("run ended: ") + FlashOutcomeName(run.outcome);
    } else if (!std::equal(image.begin(), image.end(), flash.begin())) {
        result.failure = "the flash does not hold the image";
    } else {
        result.passed = true;
    }
    return result;
}

bench::ChipWork WorkOf(const Case& c, uint64_t image_bytes) {
    const uint64_t written = c.changed_chunks < 0 ? image_bytes : c.changed_chunks * kChunk;
    return written == 0 ? bench::ChipWork{} : bench::FloorForRun(written, kModel).work;
}

}  // namespace

int main(int argc, char** argv) {
    const bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
    const uint64_t image_bytes = smoke ? 4 * kChunk : 4u << 20;
    const Case cases[] = {
        {"full write", false, -1, false},
        {"only-changed, none differs", true, 0, false},
        {"only-changed, one differs", true, 1, false},
        {"backup + only-changed, none", true, 0, true},
        {"backup + only-changed, one", true, 1, true},
    };
    const bench::Traffic read_floor = bench::FloorForBackup(image_bytes);
    const bench::Traffic link_minimum = bench::LinkMinimumForRead(image_bytes);

    std::printf("%llu KiB image, 256-byte page chip\n", static_cast<unsigned long long>(image_bytes / 1024));
    std::printf("%-28s %10s %10s %10s %8s %12s\n", "case", "ops/byte", "read floor", "link min", "ns/op",
                "est. hw s");
    bool all_passed = true;
    for (const Case& c : cases) {
        const Result result = RunCase(c, image_bytes);
        const double per_byte = static_cast<double>(result.measured.total()) / image_bytes;
        const double ns_per_op = result.seconds * 1e9 / static_cast<double>(result.measured.total());
        const double hw_seconds =
            bench::EstimateHardwareSeconds(result.measured, WorkOf(c, image_bytes), kTimes, result.slept_ms);
        std::printf("%-28s %10.4f %10.4f %10.4f %8.2f %12.1f\n", c.name, per_byte,
                    static_cast<double>(read_floor.total()) / image_bytes,
                    static_cast<double>(link_minimum.total()) / image_bytes, ns_per_op, hw_seconds);
        if (!result.passed) {
            std::printf("  FAILED: %s\n", result.failure.c_str());
            all_passed = false;
        }
        std::printf("bench case=\"%s\" image_bytes=%llu ops_per_byte=%.6f read_floor_ops_per_byte=%.6f "
                    "link_min_ops_per_byte=%.6f ns_per_op=%.2f est_hw_seconds=%.2f\n",
                    c.name, static_cast<unsigned long long>(image_bytes), per_byte,
                    static_cast<double>(read_floor.total()) / image_bytes,
                    static_cast<double>(link_minimum.total()) / image_bytes, ns_per_op, hw_seconds);
    }
    return all_passed ? 0 : 1;
}
