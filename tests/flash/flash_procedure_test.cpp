// SPDX-License-Identifier: GPL-3.0-or-later
// The whole flash procedure against the simulated EC: the steps it reports and what the
// window shows for them, when it tells the EC to leave follow mode, what it leaves in the
// flash, and how each failure ends.

#include <map>
#include <optional>

#include "flash_run_fixture.h"
#ifndef _WIN32
#include "failing_stream.h"
#endif

namespace {

using flash_test::ChunkSum;
using flash_test::FlashRunTest;
using flash_test::Pattern;
using S = FlashStep;

std::vector<FlashStep> PassingSteps(size_t chunks) {
    std::vector<FlashStep> steps = {S::FollowModeEntered, S::Identifying, S::RunStarted, S::BackedUp};
    for (size_t k = 0; k < chunks; ++k)
        steps.insert(steps.end(), {S::ChunkStarted, S::Erasing, S::BlankChecking, S::Programming, S::Verifying,
                                   S::ChunkDone});
    steps.insert(steps.end(), {S::Verified, S::SumsCompared, S::Ended});
    return steps;
}

TEST_F(FlashRunTest, PassingRunReportsEveryStepOfEveryChunk) {
    Start();
    const std::vector<uint8_t> image = Pattern(3 * 65536 - 100);
    OpenImage(image);
    const FlashResult result = Run();

    EXPECT_EQ(result.outcome, FlashOutcome::Passed);
    EXPECT_TRUE(FlashPassed(result));
    EXPECT_EQ(result.failing_chunk, std::nullopt);
    EXPECT_EQ(result.fault, HwFault::None);
    EXPECT_EQ(result.bin_sum, ChunkSum(image));
    EXPECT_EQ(result.rom_sum, ChunkSum(image));
    EXPECT_EQ(events.back().result, result);
    EXPECT_TRUE(FlashHolds(image, 3));
    EXPECT_EQ(device_->counters().ibf_overruns, 0u);  // never a byte before the EC took the last
    EXPECT_EQ(EndCommands(), 1u);
    EXPECT_FALSE(device_->in_follow_mode());

    EXPECT_EQ(Steps(), PassingSteps(3));
    const sim::ChipProfile& chip = sim::ProfileOf(sim::ChipKind::Winbond);
    std::vector<uint32_t> started, programmed_from;
    for (const FlashEvent& e : events) {
        if (e.step == S::RunStarted) {
            EXPECT_EQ(e.image_bytes, image.size());
            EXPECT_EQ(e.chunks, 3u);
            EXPECT_EQ(e.result.chip->id, chip.jedec_id);
        }
        if (e.step == S::ChunkStarted) started.push_back(e.chunk);
        if (e.step == S::Programming) programmed_from.push_back(e.bytes_done);
    }
    EXPECT_EQ(started, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_EQ(programmed_from, (std::vector<uint32_t>{0, 65536, 131072}));
}

TEST_F(FlashRunTest, PassingRunShowsTheTextsAndPausesInOrder) {
    Start();
    OpenImage(Pattern(3 * 65536 - 100));
    ASSERT_EQ(Run().outcome, FlashOutcome::Passed);

    const std::vector<std::string> chunk = {"Start Block....", "Check Block....", "Start Programming....",
                                            "Start Verify...."};
    std::vector<std::string> want = {"EC ACK OK.", "Start flash!!", "Flash backup: " + BackupPath()};
    want.insert(want.end(), chunk.begin(), chunk.end());
    want.push_back("Continue to Flash 64K Page2....");  // once, before the second chunk only
    want.insert(want.end(), chunk.begin(), chunk.end());
    want.insert(want.end(), chunk.begin(), chunk.end());
    want.insert(want.end(), {"Verify OK!!", "CheckSum OK!!"});
    EXPECT_EQ(Memo(), want);
    EXPECT_EQ(Status(), "CheckSum OK!!");
    EXPECT_EQ(Percent(), "100");
    // Pauses: 2 x 50 opening, 200 per chunk, 200 before the second, 50 + 1000 at the end.
    EXPECT_EQ(clock_.slept_ms(), 100u + 3 * 200 + 200 + 1050);
}

TEST_F(FlashRunTest, ProgressFollowsTheBytesProgrammed) {
    Start();
    OpenImage(Pattern(2 * 65536));
    ASSERT_EQ(Run().outcome, FlashOutcome::Passed);
    EXPECT_EQ(Progress(), (std::vector<unsigned>{1, 25, 50, 75, 50, 1, 25, 50, 75, 100, 100}));
}

TEST_F(FlashRunTest, CheckSumTextHasAtLeastSixUppercaseDigits) {
    struct Case {
        std::vector<uint8_t> image;
        const char* shown;
    };
    std::vector<uint8_t> small_sum(65536, 0x00);
    std::fill(small_sum.begin(), small_sum.begin() + 18, 0xFF);
    small_sum[18] = 70;  // 18 x 255 + 70 = 0x1234
    const Case cases[] = {
        {std::vector<uint8_t>(65536, 0xFF), "FF0000"},
        {std::vector<uint8_t>(2 * 65536, 0xFF), "1FE0000"},
        {small_sum, "001234"},
    };
    for (const Case& c : cases) {
        Start();
        OpenImage(c.image);
        EXPECT_EQ(Run().outcome, FlashOutcome::Passed);
        EXPECT_EQ(FlashDisplayFor(events.back()).checksum, c.shown);
    }
}

// A reply nobody read (here to an EC-space read) is drained first: an EC slow to place its
// answer to 0xDC would otherwise have the old byte taken for it.
TEST_F(FlashRunTest, AByteTheEcLeftUnreadIsNotTakenForItsAnswer) {
    sim::Config config;
    config.obf_latency_reads = 2;
    config.ec_space[0x10] = 0x41;
    sim::Device& device = Start(config);
    device.Out(0x3F4, 0x80);
    device.In(0x3F4);
    device.Out(0x3F0, 0x10);
    for (int read = 0; read < 2; ++read) device.In(0x3F4);
    ASSERT_NE(device.In(0x3F4) & kStatusOBF, 0);  // the EC-space byte waits, unread
    OpenImage(Pattern(1000));
    const FlashResult result = Run();
    EXPECT_EQ(result.ack, 0x33);
    EXPECT_EQ(result.outcome, FlashOutcome::Passed);
}

TEST_F(FlashRunTest, RefusedFollowModeShowsTheAnswerAndReleasesTheEc) {
    struct Case {
        std::optional<uint8_t> reply;
        std::string shown;
    };
    // No answer, or a wrong one, may still have left the EC in follow mode: the end command goes out.
    for (const Case& c : {Case{0x5A, "EC ACK Fail !ACK = 5A"}, Case{std::nullopt, "EC ACK Fail !No ACK"}}) {
        sim::Config config;
        config.flash_mode_reply = c.reply;
        Start(config);
        OpenImage(Pattern(1000));
        const FlashResult result = Run();
        EXPECT_EQ(result.outcome, FlashOutcome::NoAcknowledge);
        EXPECT_EQ(result.ack_seen, c.reply.has_value());
        EXPECT_EQ(Steps(), std::vector<FlashStep>{S::Ended});
        EXPECT_EQ(Status(), c.shown);
        EXPECT_EQ(Memo(), std::vector<std::string>{c.shown});
        EXPECT_EQ(EndCommands(), 1u);
    }
}

#ifndef _WIN32
// An image that cannot be read whole is never started: what the EC gets is the whole image
// as it was measured, or nothing.
TEST_F(FlashRunTest, AnImageReadShortIsNeverStarted) {
    const std::vector<uint8_t> image = Pattern(3 * 65536);
    for (const teststream::Failure failure : {teststream::Failure::ReadError, teststream::Failure::EndsEarly}) {
        sim::Device& device = Start();
        UseImage(teststream::OpenFailingStream(std::string(image.begin(), image.end()), 100000, failure));
        EXPECT_EQ(Run().outcome, FlashOutcome::ImageUnreadable);
        EXPECT_TRUE(device.ec_trace().empty());
    }
}
#endif

// A chip whose ID gives no capacity and is smaller than the image wraps its addresses: every
// chunk verifies when written, and a later one overwrites an earlier one.
TEST_F(FlashRunTest, ACapacityLessChipSmallerThanTheImageFails) {
    for (const sim::ChipKind chip :
         {sim::ChipKind::SstJedec, sim::ChipKind::SstLegacy, sim::ChipKind::AllFF, sim::ChipKind::LegacyOther}) {
        for (const uint32_t flash_size : {128u << 10, 512u << 10}) {
            SCOPED_TRACE(sim::ProfileOf(chip).name + std::string(" of ") + std::to_string(flash_size));
            sim::Config config;
            config.chip = chip;
            config.flash_size = flash_size;
            Start(config);
            OpenImage(Pattern(300000));
            const FlashResult result = Run();
            EXPECT_EQ(result.outcome, flash_size < 300000 ? FlashOutcome::VerifyFailed : FlashOutcome::Passed);
            EXPECT_EQ(EndCommands(), 1u);
        }
    }
}

TEST_F(FlashRunTest, EmptyImageFailsAndStillReleasesTheEc) {
    Start();
    OpenImage({});
    const FlashResult result = Run();
    EXPECT_EQ(result.outcome, FlashOutcome::NothingToFlash);
    EXPECT_FALSE(FlashPassed(result));
    EXPECT_EQ(Steps(), (std::vector<FlashStep>{S::FollowModeEntered, S::Identifying, S::RunStarted, S::BackedUp, S::Ended}));
    EXPECT_EQ(Memo(), (std::vector<std::string>{"EC ACK OK.", "Start flash!!", "Flash backup: " + BackupPath(),
                                                "Verify Fail", "Verify Fail!!"}));
    EXPECT_EQ(Status(), "Verify Fail!!");
    EXPECT_EQ(Progress().back(), 76u);
    EXPECT_EQ(Percent(), "76");
    // The EC must not be left in follow mode with nothing to flash.
    EXPECT_EQ(EndCommands(), 1u);
    EXPECT_FALSE(device_->in_follow_mode());
}

TEST_F(FlashRunTest, VerifyFailureEndsTheRunAtThatChunk) {
    sim::Config config;
    config.chip = sim::ChipKind::Mx;
    const std::vector<uint8_t> image = Pattern(2 * 65536);
    // A bit of chunk 0 that will not program.
    size_t address = 0;
    while ((image[address] & 0x01) != 0) ++address;
    config.stuck_ones = {{static_cast<uint32_t>(address), 0x01}};
    Start(config);
    OpenImage(image);

    const FlashResult result = Run();
    EXPECT_EQ(result.outcome, FlashOutcome::VerifyFailed);
    EXPECT_EQ(result.failing_chunk, 0);
    EXPECT_NE(result.bin_sum, result.rom_sum);  // verify stopped at the differing byte
    const std::vector<std::string> memo = Memo();
    const std::vector<std::string> tail(memo.end() - 4, memo.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"Start Verify....", "Verify Fail", "Verify Fail", "Verify Fail!!"}));
    // The second chunk is never started: the EC already left follow mode.
    EXPECT_EQ(Count(S::ChunkStarted), 1u);
    EXPECT_EQ(EndCommands(), 1u);
    EXPECT_TRUE(QuietAfterLeaving());
    EXPECT_EQ(device_->chip_status() & 0x3C, 0x0C);  // protected again before the EC was released
}

TEST_F(FlashRunTest, RefusedEraseFailsTheBlankCheck) {
    sim::Config config;
    config.erase_refused = true;
    Start(config);
    OpenImage(Pattern(3 * 65536));
    const FlashResult result = Run();
    EXPECT_EQ(result.outcome, FlashOutcome::BlankCheckFailed);
    EXPECT_EQ(result.failing_chunk, 0);
    EXPECT_EQ(result.rom_sum, 0u);  // nothing was verified
    EXPECT_EQ(Count(S::Programming), 0u);
    const std::vector<std::string> memo = Memo();
    EXPECT_NE(std::find(memo.begin(), memo.end(), "Block Verify Fail!!"), memo.end());
    EXPECT_EQ(Status(), "Verify Fail!!");
    EXPECT_EQ(EndCommands(), 1u);
    EXPECT_TRUE(QuietAfterLeaving());
    EXPECT_EQ(device_->chip_status() & 0x3C, 0x0C);  // the erased chunk is protected again
}

TEST_F(FlashRunTest, DeadHardwareEndsTheRunInItsBoundWithAReason) {
    struct Case {
        const char* what;
        sim::Config config;
        FlashOutcome outcome;
        HwFault fault;
        std::optional<uint8_t> failing_chunk;  // none when the identification already timed out
    };
    // A 128 KB chip: its backup takes one command per byte, and the first chunk follows.
    sim::Config stops;
    stops.jedec_id = std::array<uint8_t, 3>{0xEF, 0x40, 0x11};
    stops.stop_answering_after_commands = 131072 + 5000;
    sim::Config stops_in_backup = stops;
    stops_in_backup.stop_answering_after_commands = 5000;
    sim::Config busy;
    busy.stuck_busy = true;
    for (const Case& c : {Case{"EC stops", stops, FlashOutcome::EcTimedOut, HwFault::EcNotAnswering, 0},
                          Case{"EC stops in the backup", stops_in_backup, FlashOutcome::EcTimedOut,
                               HwFault::EcNotAnswering, {}},
                          Case{"chip busy", busy, FlashOutcome::ChipTimedOut, HwFault::ChipNotReady, {}}}) {
        SCOPED_TRACE(c.what);
        Start(c.config);
        OpenImage(Pattern(2 * 65536));
        const FlashResult result = Run();
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.fault, c.fault);
        EXPECT_EQ(result.failing_chunk, c.failing_chunk);
        EXPECT_EQ(Status(), HW_FaultText(c.fault));
        EXPECT_EQ(Percent(), "76");
    }
}

// Every chip, one run after another in the same process: the legacy chip goes first, so the
// state it leaves must not choose the erase or programming of the chips that answer 0x9F.
// Each run leaves its chip protected, except where the per-chunk fix-up rewrites the status
// after the protect and so clears the protection bits.
TEST_F(FlashRunTest, EveryChipPassesFromItsOwnStateAndEndsProtected) {
    std::vector<sim::ChipKind> chips = {sim::ChipKind::SstLegacy};
    for (const sim::ChipProfile& profile : sim::ChipProfiles())
        if (profile.kind != sim::ChipKind::SstLegacy) chips.push_back(profile.kind);
    // The whole-chip backup is no part of this; it would read 16 MiB for some chips.
    safeguards.backup = false;
    for (sim::ChipKind chip : chips) {
        const sim::ChipProfile& profile = sim::ProfileOf(chip);
        SCOPED_TRACE(profile.name);
        sim::Config config;
        config.chip = chip;
        // A second, partial chunk wherever the chip holds one.
        const std::vector<uint8_t> image = Pattern(std::min<size_t>(65536 + 500, sim::FlashSizeOf(config) - 100));
        Start(config);
        OpenImage(image);
        const FlashResult result = Run();
        EXPECT_EQ(result.outcome, FlashOutcome::Passed);
        ASSERT_TRUE(result.chip);
        EXPECT_EQ(result.chip->traits, profile.expected);
        EXPECT_TRUE(FlashHolds(image, (image.size() + 65535) / 65536));
        EXPECT_EQ(device_->chip_status() & 0x3C, profile.expected.chunk_fixup ? 0x00 : 0x0C);
    }
}

}  // namespace

namespace safeguards_test {

using flash_test::FlashRunTest;
using flash_test::Pattern;
namespace fs = std::filesystem;

bool NoPortWrites(const sim::Device& device) {
    const auto& ops = device.port_trace();
    return std::none_of(ops.begin(), ops.end(), [](const sim::PortOp& op) { return op.is_write; });
}

// Refused before follow mode: not one byte goes to the EC, the reason is the last text shown.
TEST_F(FlashRunTest, LowBatteryAndSilentPortRefuseBeforeAnyWrite) {
#ifndef _WIN32
    // The supplies as the kernel lists them; Windows asks the system, which a test cannot set.
    const fs::path power = safeguards.power_supply_root;
    const auto supply = [&](const char* name, std::map<std::string, std::string> files) {
        fs::create_directories(power / name);
        for (const auto& [file, value] : files) std::ofstream(power / name / file) << value << "\n";
    };
    supply("AC", {{"type", "Mains"}, {"online", "0"}});
    supply("BAT0", {{"type", "Battery"}, {"capacity", "12"}});
    sim::Device& device = Start();
    device.EnablePortTrace(true);
    OpenImage(Pattern(65536));
    FlashResult result = Run();
    EXPECT_EQ(result.outcome, FlashOutcome::LowBattery);
    EXPECT_EQ(Status(), "On battery at 12 %, connect AC power, not flashed!!");
    EXPECT_TRUE(device.port_trace().empty()) << "the battery is asked before any port";

    fs::remove_all(power);
#else
    OpenImage(Pattern(65536));
    FlashResult result;
#endif
    sim::Config absent;
    absent.ec_absent = true;
    sim::Device& silent = Start(absent);
    silent.EnablePortTrace(true);
    result = Run();
    EXPECT_EQ(result.outcome, FlashOutcome::NoEcAnswer);
    EXPECT_FALSE(FlashPassed(result));
    EXPECT_EQ(Status(), "No EC answers at port 03F4 (status reads FF), not flashed!!");
    EXPECT_EQ(Steps(), std::vector<FlashStep>{FlashStep::Ended});
    EXPECT_FALSE(silent.port_trace().empty());
    EXPECT_TRUE(NoPortWrites(silent));
}

// Refused after the identification: the EC has left follow mode, nothing was erased, and the
// run fails with the reason.
TEST_F(FlashRunTest, ImageLargerThanChipOrNoBackupLeavesTheFlashAsItWas) {
    sim::Config small;
    small.jedec_id = std::array<uint8_t, 3>{0xEF, 0x40, 0x11};  // 128 KB
    Start(small);
    const std::vector<uint8_t> before(device_->flash().begin(), device_->flash().end());
    OpenImage(Pattern(128 * 1024 + 65536));
    FlashResult result = Run();
    EXPECT_EQ(result.outcome, FlashOutcome::ImageLargerThanChip);
    EXPECT_EQ(Status(), "Bin file larger than flash chip, not flashed!!");
    EXPECT_EQ(EndCommands(), 1u);
    EXPECT_TRUE(QuietAfterLeaving());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), device_->flash().begin()));
    EXPECT_FALSE(fs::exists(safeguards.backup_plan.directory)) << "nothing read for a backup";

    Start(small);
    std::ofstream(safeguards.backup_plan.directory) << "a file where the directory belongs";
    OpenImage(Pattern(65536));
    result = Run();
    EXPECT_EQ(result.outcome, FlashOutcome::BackupFailed);
    EXPECT_EQ(Status(), "Flash backup not written, not flashed!!");
    const std::string separator(1, static_cast<char>(fs::path::preferred_separator));
    EXPECT_EQ(result.backup_path.rfind(safeguards.backup_plan.directory + separator, 0), 0u) << result.backup_path;
    EXPECT_EQ(EndCommands(), 1u);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), device_->flash().begin()));
}

// The backup a passing run leaves is the flash as it was before the run.
TEST_F(FlashRunTest, PassingRunLeavesTheOldFlashAsItsBackup) {
    sim::Config small;
    small.jedec_id = std::array<uint8_t, 3>{0xEF, 0x40, 0x11};
    Start(small);
    const std::vector<uint8_t> before(device_->flash().begin(), device_->flash().end());
    OpenImage(Pattern(65536 + 10));
    const FlashResult result = Run();
    ASSERT_EQ(result.outcome, FlashOutcome::Passed);
    ASSERT_EQ(result.backup_path, BackupPath());
    std::ifstream saved(result.backup_path, std::ios::binary);
    const std::vector<uint8_t> backup((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
    EXPECT_EQ(backup, before);
}

}  // namespace safeguards_test
