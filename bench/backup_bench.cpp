// SPDX-License-Identifier: GPL-3.0-or-later
// Backup benchmark: the read pass that saves the whole flash before the first erase, against
// the in-process simulator. Port accesses per byte against the read-back floor and against
// the link's minimum (one fast read over everything), host time per access, and the time the
// pass adds on real hardware. Only the simulator is driven; no real port is touched.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/random_image.h"
#include "bench/traffic_floor.h"
#include "flash/flash_backup.h"
#include "hw/ec_channel.h"
#include "platform/clock.h"
#include "sim/in_process.h"
#include "spi/chip_id.h"

namespace {

namespace fs = std::filesystem;

constexpr uint64_t kKiB = 1024;
constexpr uint64_t kMiB = 1024 * kKiB;
constexpr double kSecondsPerAccess = 1e-6;  // one port access on the LPC bus, as flash_bench assumes

struct Result {
    bool passed = false;
    std::string failure;
    bench::Traffic measured;
    double seconds = 0;
};

uint8_t CapacityCode(uint64_t bytes) {
    uint8_t code = 0;
    while ((uint64_t{1} << code) < bytes) ++code;
    return code;
}

// A chip whose ID gives `bytes` as its capacity, so the backup reads exactly that much.
Result RunCase(uint64_t bytes, const fs::path& dir) {
    Result result;
    sim::Config config;
    config.jedec_id = std::array<uint8_t, 3>{0xEF, 0x40, CapacityCode(bytes)};
    sim::Device device(config);
    std::vector<uint8_t> old(bytes);
    bench::RandomBytes(7).Fill(old);
    std::copy(old.begin(), old.end(), device.flash().begin());
    ManualClock clock(0);
    ScopedClock scoped_clock(clock);
    sim::InProcess seam(device);
    EcChannel ec;
    if (!ec.RequestFollowMode().entered()) {
        result.failure = "follow mode refused";
        return result;
    }
    const ChipRecord chip = SPI_ReadJedecId(ec);
    device.ResetCounters();

    BackupPlan plan;
    plan.directory = (dir / "backups").string();
    plan.bytes = static_cast<uint32_t>(bytes);
    std::copy(chip.id.begin(), chip.id.begin() + 3, plan.id);
    const auto start = std::chrono::steady_clock::now();
    const BackupResult backup = BackupFlash(ec, plan);
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const sim::PortCounters& counted = device.counters();
    result.measured = {counted.status_reads, counted.command_writes, counted.data_reads, counted.other};

    if (backup.status != BackupStatus::Written) {
        result.failure = BackupErrorLine(backup);
        return result;
    }
    std::ifstream in(backup.path, std::ios::binary);
    const std::vector<uint8_t> saved{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (saved != old) {
        result.failure = "the backup differs from the flash";
        return result;
    }
    fs::remove_all(dir / "backups");
    result.passed = true;
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    const bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
    const fs::path dir = fs::temp_directory_path() / ("vantu-backup-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::vector<uint64_t> sizes{64 * kKiB};
    if (!smoke) sizes.insert(sizes.end(), {1 * kMiB, 4 * kMiB, 16 * kMiB});

    std::printf("%-8s %12s %12s %12s %10s %14s\n", "backup", "ops/byte", "floor", "link min", "ns/op",
                "est. hw s");
    bool all_passed = true;
    for (uint64_t bytes : sizes) {
        const Result result = RunCase(bytes, dir);
        const bench::Traffic floor = bench::FloorForBackup(bytes);
        const bench::Traffic minimum = bench::LinkMinimumForRead(bytes);
        const double per_byte = static_cast<double>(result.measured.total()) / bytes;
        const double ns_per_op = result.seconds * 1e9 / static_cast<double>(result.measured.total());
        const double hw_seconds = static_cast<double>(result.measured.total()) * kSecondsPerAccess;
        std::printf("%5llu KiB %12.4f %12.4f %12.4f %10.2f %14.1f\n", static_cast<unsigned long long>(bytes / kKiB),
                    per_byte, static_cast<double>(floor.total()) / bytes, static_cast<double>(minimum.total()) / bytes,
                    ns_per_op, hw_seconds);
        if (!result.passed) {
            std::printf("  FAILED: %s\n", result.failure.c_str());
            all_passed = false;
        } else if (!(result.measured == floor)) {
            std::printf("  FAILED: traffic off its floor (%llu accesses, floor %llu)\n",
                        static_cast<unsigned long long>(result.measured.total()),
                        static_cast<unsigned long long>(floor.total()));
            all_passed = false;
        }
        std::printf("bench backup_bytes=%llu ops_per_byte=%.6f floor_ops_per_byte=%.6f link_min_ops_per_byte=%.6f "
                    "ns_per_op=%.2f est_hw_seconds=%.2f\n",
                    static_cast<unsigned long long>(bytes), per_byte, static_cast<double>(floor.total()) / bytes,
                    static_cast<double>(minimum.total()) / bytes, ns_per_op, hw_seconds);
    }
    fs::remove_all(dir);
    return all_passed ? 0 : 1;
}
