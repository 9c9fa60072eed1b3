// SPDX-License-Identifier: GPL-3.0-or-later
// Only-changed flash runs: a chunk that already holds the image is read once and left alone;
// every other chunk goes through the whole erase, program and verify.

#include <set>

#include "flash_run_fixture.h"

namespace {

using flash_test::ChunkSum;
using flash_test::FlashRunTest;
using flash_test::Pattern;
using S = FlashStep;

constexpr uint8_t kWritingOpcodes[] = {0x02, 0xAD, 0xAF, 0x52, 0xD7, 0xD8};

class OnlyChangedTest : public FlashRunTest {
protected:
    // The flash holds `image` (0xFF past its end, up to whole chunks) before the run.
    void Preload(const std::vector<uint8_t>& image, size_t chunks) {
        auto flash = device_->flash();
        for (size_t i = 0; i < chunks * 65536; ++i) flash[i] = i < image.size() ? image[i] : 0xFF;
    }
    // The chunks that any erase or program opcode reached.
    std::set<uint8_t> WrittenChunks() const {
        std::set<uint8_t> chunks;
        for (const sim::SpiTransaction& t : device_->spi_trace()) {
            if (t.out.size() < 4) continue;
            for (uint8_t opcode : kWritingOpcodes)
                if (t.out[0] == opcode) chunks.insert(t.out[1]);
        }
        return chunks;
    }
    FlashResult RunOnlyChanged() {
        options.only_changed = true;
        device_->EnableSpiTrace(true);
        return Run();
    }
};

TEST_F(OnlyChangedTest, WritesExactlyTheChunksThatDiffer) {
    struct Case {
        const char* what;
        std::vector<size_t> changed;  // chunks whose flash differs from the image
    };
    const Case cases[] = {
        {"none differs", {}},
        {"one differs", {1}},
        {"all differ", {0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start();
        const std::vector<uint8_t> image = Pattern(3 * 65536);
        Preload(image, 3);
        for (size_t chunk : c.changed) device_->flash()[chunk * 65536 + 777] ^= 0x5A;
        OpenImage(image);

        const FlashResult result = RunOnlyChanged();
        EXPECT_EQ(result.outcome, FlashOutcome::Passed);
        EXPECT_EQ(result.bin_sum, ChunkSum(image));
        EXPECT_EQ(result.rom_sum, ChunkSum(image));  // unchanged chunks counted by their read
        EXPECT_TRUE(FlashHolds(image, 3));
        EXPECT_EQ(WrittenChunks(), (std::set<uint8_t>(c.changed.begin(), c.changed.end())));
        EXPECT_EQ(Count(S::Comparing), 3u);
        EXPECT_EQ(Count(S::ChunkUnchanged), 3 - c.changed.size());
        EXPECT_EQ(Count(S::Erasing), c.changed.size());
        EXPECT_EQ(EndCommands(), 1u);  // the EC leaves follow mode also when nothing was written
        EXPECT_FALSE(device_->in_follow_mode());
    }
}

TEST_F(OnlyChangedTest, OldBytesPastTheImageEndMakeTheLastChunkDiffer) {
    Start();
    const std::vector<uint8_t> image = Pattern(65536 + 100);
    Preload(image, 2);
    device_->flash()[65536 + 5000] = 0x00;  // beyond the image, where the flash must read 0xFF
    OpenImage(image);

    const FlashResult result = RunOnlyChanged();
    EXPECT_EQ(result.outcome, FlashOutcome::Passed);
    EXPECT_EQ(WrittenChunks(), (std::set<uint8_t>{1}));
    EXPECT_TRUE(FlashHolds(image, 2));
    // The progress counts the skipped chunk's bytes, so the run ends at the image length.
    EXPECT_EQ(events.back().bytes_done, image.size());
}

TEST_F(OnlyChangedTest, UnchangedChunkShowsAsItsOwnStepsWithoutWriting) {
    Start();
    const std::vector<uint8_t> image = Pattern(65536);
    Preload(image, 1);
    OpenImage(image);
    RunOnlyChanged();
    EXPECT_EQ(Steps(), (std::vector<FlashStep>{S::FollowModeEntered, S::Identifying, S::RunStarted, S::BackedUp, S::ChunkStarted,
                                               S::Comparing, S::ChunkUnchanged, S::Verified, S::SumsCompared,
                                               S::Ended}));
    // The window is never told anything about these steps.
    for (const FlashEvent& e : events) {
        if (e.step == S::Comparing || e.step == S::ChunkUnchanged) {
            EXPECT_EQ(FlashDisplayFor(e), FlashDisplay{});
        }
    }
}

TEST_F(OnlyChangedTest, AnEcThatStopsDuringTheComparisonEndsTheRunWithAFault) {
    const std::vector<uint8_t> image = Pattern(2 * 65536);
    // Without a backup the comparison reads the chip itself (with one, the backup's read is
    // its input). A first run finds how many commands reach the EC before the first comparison.
    options.safeguards.backup = false;
    Start();
    OpenImage(image);
    uint64_t commands_before_reading = 0;
    on_event = [&](const FlashEvent& e) {
        if (e.step == S::Comparing && commands_before_reading == 0)
            commands_before_reading = device_->counters().command_writes;
    };
    RunOnlyChanged();
    on_event = nullptr;
    ASSERT_GT(commands_before_reading, 0u);

    sim::Config config;
    config.stop_answering_after_commands = static_cast<int64_t>(commands_before_reading + 1000);
    Start(config);
    Preload(image, 2);  // a chunk that matches is read whole, so the EC stops inside the read
    const FlashResult result = RunOnlyChanged();
    EXPECT_EQ(result.outcome, FlashOutcome::EcTimedOut);
    EXPECT_EQ(result.failing_chunk, 0);
    EXPECT_EQ(Count(S::Erasing), 0u);
    EXPECT_TRUE(WrittenChunks().empty());
}

}  // namespace
