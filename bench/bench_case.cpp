// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/bench_case.h"

#include <sys/resource.h>
#include <unistd.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bench/random_image.h"
#include "flash/flash_display.h"
#include "flash/flash_procedure.h"
#include "flash/image.h"
#include "flash/restart.h"
#include "hw/ec_channel.h"
#include "platform/clock.h"
#include "sim/in_process.h"
#include "spi/chip_id.h"
#include "spi/chunk_state.h"

namespace bench {
namespace {

constexpr uint8_t kEndCommand = 0x00;        // the settings' default end command
constexpr uint32_t kFlashBytes = 16u << 20;  // every case gets the same chip, so RSS compares

void Fail(CaseResult& result, const char* format, ...) {
    result.passed = false;
    if (result.failure[0] != '\0') return;  // the first failure explains the rest
    va_list args;
    va_start(args, format);
    std::vsnprintf(result.failure, sizeof result.failure, format, args);
    va_end(args);
}

// Sleeps cost nothing but are added up; the tick is real, so a stuck poll still ends.
class BenchClock : public Clock {
public:
    uint32_t TickMs() override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
    void SleepMs(uint32_t ms) override { slept_ms += ms; }
    uint64_t slept_ms = 0;
};

Traffic FromCounters(const sim::PortCounters& c) {
    return Traffic{c.status_reads, c.command_writes, c.data_reads, c.other};
}

Traffic Minus(const Traffic& a, const Traffic& b) {
    return Traffic{a.status_reads - b.status_reads, a.command_writes - b.command_writes,
                   a.data_reads - b.data_reads, a.other - b.other};
}

// What one flash run did.
struct RunRecord {
    FlashResult result;
    bool saw_verified = false;
    bool saw_sums_compared = false;
    double seconds = 0;
    double cpu_seconds = 0;
    uint64_t slept_ms = 0;
    Traffic total;
    Traffic phases[kMaxPhases];
    Traffic unattributed;

    bool SameTraffic(const RunRecord& other) const {
        return total == other.total && unattributed == other.unattributed &&
               std::equal(std::begin(phases), std::end(phases), std::begin(other.phases));
    }
};

// Shows nothing; charges the port traffic since the last event to the phase that event
// opened, which splits the run into the procedure's own steps.
class PhaseRecorder {
public:
    PhaseRecorder(const sim::Device& device, const Floor& floor, RunRecord& record)
        : device_(device), floor_(floor), record_(record) {}

    void operator()(const FlashEvent& event) {
        Charge();
        phase_ = event.step;
        if (event.step == FlashStep::Verified) record_.saw_verified = true;
        if (event.step == FlashStep::SumsCompared) record_.saw_sums_compared = true;
    }

    /// Charges what is left; call once after the run.
    void Finish() { Charge(); }

private:
    void Charge() {
        const Traffic now = FromCounters(device_.counters());
        const Traffic delta = Minus(now, charged_);
        charged_ = now;
        for (size_t i = 0; i < floor_.phases.size() && i < kMaxPhases; ++i) {
            if (floor_.phases[i].after == phase_) {
                record_.phases[i] += delta;
                return;
            }
        }
        record_.unattributed += delta;
    }

    const sim::Device& device_;
    const Floor& floor_;
    RunRecord& record_;
    Traffic charged_;
    std::optional<FlashStep> phase_;  // none before the first event
};

bool RefuseRestart(const std::vector<std::string>&) { return false; }

double ThreadCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec + now.tv_nsec * 1e-9;
}

// The backup pass has a benchmark of its own: counted here it would hide the flash run's own
// traffic against its floor.
const FlashSafeguards& BenchSafeguards() {
    static const FlashSafeguards safeguards{.power_supply_root = kPowerSupplyRoot, .backup = false, .backup_plan = {}};
    return safeguards;
}

RunRecord RunOnce(sim::Device& device, const Floor& floor, const FlashRunOptions& options) {
    RunRecord record;
    device.ResetCounters();
    BenchClock clock;
    PhaseRecorder recorder(device, floor, record);
    const FlashListener listener = std::ref(recorder);
    {
        ScopedCommandRunner no_restart(RefuseRestart);
        ScopedClock clock_guard(clock);
        sim::InProcess installed(device);
        const double cpu_start = ThreadCpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        record.result = DoFlashProcedure(options, listener);
        const auto stop = std::chrono::steady_clock::now();
        record.cpu_seconds = ThreadCpuSeconds() - cpu_start;
        record.seconds = std::chrono::duration<double>(stop - start).count();
        recorder.Finish();
    }
    record.total = FromCounters(device.counters());
    record.slept_ms = clock.slept_ms;
    return record;
}

// The image where the flash should hold it, and the old contents everywhere else.
void CheckFlash(std::span<const uint8_t> flash, const TempImage& image, uint64_t image_bytes,
                uint64_t old_seed, CaseResult& result) {
    std::FILE* in = std::fopen(image.path().c_str(), "rb");
    if (in == nullptr) return Fail(result, "cannot reopen the image");
    std::vector<uint8_t> block(kImageBlockBytes);
    for (uint64_t at = 0; at < image_bytes; at += block.size()) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(block.size(), image_bytes - at));
        if (std::fread(block.data(), 1, n, in) != n) {
            Fail(result, "cannot read the image back");
            break;
        }
        if (std::memcmp(block.data(), flash.data() + at, n) != 0) {
            Fail(result, "flash differs from the image in the 64 KiB block at 0x%06llx",
                 static_cast<unsigned long long>(at));
            break;
        }
    }
    std::fclose(in);
    RandomBytes old(old_seed);
    for (uint64_t at = 0; at < flash.size(); at += block.size()) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(block.size(), flash.size() - at));
        old.Fill({block.data(), n});
        if (at >= image_bytes && std::memcmp(block.data(), flash.data() + at, n) != 0) {
            return Fail(result, "flash past the image changed in the 64 KiB block at 0x%06llx",
                        static_cast<unsigned long long>(at));
        }
    }
}

void Record(const RunRecord& first, CaseResult& result) {
    result.measured = first.total;
    std::copy(std::begin(first.phases), std::end(first.phases), std::begin(result.phase_measured));
    result.unattributed = first.unattributed;
    result.slept_ms = first.slept_ms;
}

void RunCaseOrThrow(uint64_t image_bytes, const Algo& algo, uint64_t seed, const RunPlan& plan,
                    CaseResult& result) {
    const Floor floor = FloorForRun(image_bytes, algo.model);
    const uint64_t old_seed = seed ^ 0x5DEECE66Dull;

    sim::Config config;
    config.chip = algo.chip;
    config.flash_size = kFlashBytes;
    // The ID tells the run the chip's size: a 16 MiB image is refused on a smaller chip.
    if (algo.chip == sim::ChipKind::Winbond) config.jedec_id = std::array<uint8_t, 3>{0xEF, 0x40, 0x18};
    config.ibf_latency_reads = 0;
    config.obf_latency_reads = 0;
    config.busy_reads_program = algo.model.busy_reads_program;
    config.busy_reads_erase = algo.model.busy_reads_erase;
    config.busy_reads_status_write = algo.model.busy_reads_status_write;
    sim::Device device(config);
    RandomBytes(old_seed).Fill(device.flash());

    TempImage image(image_bytes, seed);
    if (!image.ok()) return Fail(result, "cannot write the temporary image");
    std::FILE* image_file = std::fopen(image.path().c_str(), "rb");
    if (image_file == nullptr) return Fail(result, "cannot open the temporary image");
    // Progress text goes nowhere, but is still formatted, as in a real run.
    std::FILE* progress = std::fopen("/dev/null", "w");
    if (progress == nullptr) {
        std::fclose(image_file);
        return Fail(result, "cannot open /dev/null");
    }
    // Later runs find the image already in the flash; they still erase and program it all.
    {
        FlashRunOptions options;
        options.image = image_file;
        options.end_cmd = kEndCommand;
        options.ports = EcPorts{.command = config.ec_status_port, .data = config.ec_data_port};
        options.safeguards = BenchSafeguards();
        options.progress = [progress](ChipProgress what) { std::fputs(ChipProgressText(what), progress); };
        result.passed = true;
        double timed = 0;
        RunRecord first;
        for (int run = 0; result.passed && (run < plan.min_runs || timed < plan.min_seconds); ++run) {
            const RunRecord record = RunOnce(device, floor, options);
            if (record.result.outcome != FlashOutcome::Passed) {
                Fail(result, "the flash run ended with \"%s\"", FlashOutcomeName(record.result.outcome));
            } else if (!record.saw_verified || !record.saw_sums_compared) {
                Fail(result, "the run did not report every chunk verified and the sums compared");
            } else if (device.in_follow_mode()) {
                Fail(result, "the EC was left in follow mode");
            }
            if (run == 0) {
                first = record;
                Record(first, result);
                CheckFlash(device.flash(), image, image_bytes, old_seed, result);
                result.run_seconds = record.seconds;
                result.cpu_seconds = record.cpu_seconds;
            } else if (!record.SameTraffic(first)) {
                Fail(result, "run %d sent other port traffic than the first", run + 1);
            }
            if (record.seconds < result.run_seconds) {
                result.run_seconds = record.seconds;
                result.cpu_seconds = record.cpu_seconds;
            }
            result.slowest_seconds = std::max(result.slowest_seconds, record.seconds);
            result.runs = run + 1;
            timed += record.seconds;
        }
    }
    std::fclose(progress);
    std::fclose(image_file);
    if (result.passed) CheckFlash(device.flash(), image, image_bytes, old_seed, result);

    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    result.peak_rss_kib = usage.ru_maxrss;  // KiB on Linux
}

}  // namespace

void RunCase(uint64_t image_bytes, const Algo& algo, uint64_t seed, const RunPlan& plan, CaseResult& result) {
    try {
        RunCaseOrThrow(image_bytes, algo, seed, plan, result);
    } catch (const std::exception& e) {
        Fail(result, "%s", e.what());
    }
}

SimulatedRun RunOnDevice(sim::Device& device, const std::string& image_path, FlashRunOptions options) {
    SimulatedRun run;
    ManualClock clock(0);
    ScopedClock scoped_clock(clock);
    std::FILE* opened = std::fopen(image_path.c_str(), "rb");
    sim::InProcess seam(device);
    device.ResetCounters();
    options.image = opened;
    const auto start = std::chrono::steady_clock::now();
    run.result = DoFlashProcedure(options, nullptr);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.slept_ms = clock.slept_ms();
    if (opened != nullptr) std::fclose(opened);
    return run;
}

double EstimateHardwareSeconds(const Traffic& measured, const ChipWork& work, const ChipTimes& times,
                               uint64_t slept_ms) {
    constexpr double kSecondsPerAccess = 1e-6;  // one LPC bus cycle, roughly
    const uint64_t busy_poll_accesses = work.busy_status_reads * StatusPollRead().total();
    const uint64_t paced = measured.total() > busy_poll_accesses ? measured.total() - busy_poll_accesses : 0;
    return paced * kSecondsPerAccess + work.page_programs * times.page_program_s +
           work.word_programs * times.word_program_s + work.block_erases * times.block_erase_s +
           work.status_writes * times.status_write_s + slept_ms / 1000.0;
}

}  // namespace bench
