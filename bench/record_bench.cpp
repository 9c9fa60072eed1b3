// SPDX-License-Identifier: GPL-3.0-or-later
// Record benchmark: a dry run over a 4 MiB image of random bytes on a chip holding other
// random bytes, recorded at the port seam. Prints the record's bytes per byte of flash read
// (the goal is at most 2) and the time recording adds per port access. Only the in-process
// simulator is driven; no real port is touched and nothing sleeps.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/random_image.h"
#include "flash/chip_capacity.h"
#include "flash/flash_procedure.h"
#include "flash/image_reader.h"
#include "hw/port_io.h"
#include "hw/port_record.h"
#include "platform/clock.h"
#include "sim/in_process.h"
#include "spi/chip_id.h"

namespace {

struct Run {
    bool planned = false;
    uint64_t accesses = 0;
    double seconds = 0;
    size_t record_bytes = 0;
};

Run DryRun(uint64_t image_bytes, bool recorded) {
    Run run;
    bench::TempImage file(image_bytes, 21);
    sim::Config config;  // winbond: 4 MiB by its ID
    config.flash_size = static_cast<uint32_t>(image_bytes);
    config.jedec_id = std::array<uint8_t, 3>{0xEF, 0x40, static_cast<uint8_t>(__builtin_ctzll(image_bytes))};
    sim::Device device(config);
    bench::RandomBytes(22).Fill(device.flash());

    ManualClock clock(0);
    ScopedClock scoped_clock(clock);
    std::FILE* opened = std::fopen(file.path().c_str(), "rb");
    sim::InProcess seam(device);
    device.ResetCounters();

    PortRecordWriter writer;
    if (recorded) IO_RecordInto(&writer);
    FlashRunOptions options;
    options.image = opened;
    options.dry_run = true;
    const auto start = std::chrono::steady_clock::now();
    const FlashResult result = DoFlashProcedure(options, nullptr);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    IO_RecordInto(nullptr);
    run.planned = result.plan.has_value();
    run.accesses = device.counters().total();
    if (recorded) run.record_bytes = writer.Encode({{"program", "record_bench"}}).size();
    std::fclose(opened);
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    const bool smoke = argc > 1 && std::strcmp(argv[1], "--smoke") == 0;
    const uint64_t image_bytes = smoke ? 4 * 65536 : 4u << 20;
    const Run plain = DryRun(image_bytes, false);
    const Run recorded = DryRun(image_bytes, true);
    if (!plain.planned || !recorded.planned || plain.accesses != recorded.accesses) {
        std::printf("FAILED: the dry run made no plan, or recording changed its traffic\n");
        return 1;
    }
    const double per_flash_byte = static_cast<double>(recorded.record_bytes) / static_cast<double>(image_bytes);
    const double added_ns = (recorded.seconds - plain.seconds) * 1e9 / static_cast<double>(recorded.accesses);
    std::printf("dry run of a %llu KiB random image on a chip of other random bytes\n",
                static_cast<unsigned long long>(image_bytes / 1024));
    std::printf("port accesses %llu, record %zu bytes: %.4f bytes per flash byte (goal <= 2), "
                "recording adds %.1f ns per access\n",
                static_cast<unsigned long long>(recorded.accesses), recorded.record_bytes, per_flash_byte, added_ns);
    std::printf("bench case=\"recorded dry run\" image_bytes=%llu record_bytes=%zu record_bytes_per_flash_byte=%.6f "
                "record_ns_per_access=%.2f\n",
                static_cast<unsigned long long>(image_bytes), recorded.record_bytes, per_flash_byte, added_ns);
    return per_flash_byte <= 2.0 ? 0 : 1;
}
