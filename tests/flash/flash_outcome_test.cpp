// SPDX-License-Identifier: GPL-3.0-or-later
// The typed result of a flash run: the refusals that come before the EC is touched, the
// image read once as a snapshot, and what every outcome means to the front ends and shows.

#include <cstring>
#include <map>

#include "flash_run_fixture.h"

namespace {

using flash_test::ChunkSum;
using flash_test::FlashRunTest;
using flash_test::Pattern;

// An image stream whose reads fail from `fail_from` on, as a disk with a bad sector does;
// seeking and measuring work unless `seekable` is false.
struct FakeImage {
    std::vector<uint8_t> bytes;
    size_t fail_from;
    bool seekable = true;
    size_t position = 0;
};

std::FILE* OpenFakeImage(FakeImage& image) {
    cookie_io_functions_t io{};
    io.read = [](void* cookie, char* buffer, size_t size) -> ssize_t {
        auto& image = *static_cast<FakeImage*>(cookie);
        if (image.position >= image.fail_from) return -1;
        const size_t count = std::min({size, image.bytes.size() - image.position, image.fail_from - image.position});
        std::memcpy(buffer, image.bytes.data() + image.position, count);
        image.position += count;
        return static_cast<ssize_t>(count);
    };
    if (image.seekable) {
        io.seek = [](void* cookie, off64_t* offset, int whence) -> int {
            auto& image = *static_cast<FakeImage*>(cookie);
            const off64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? image.position : image.bytes.size();
            image.position = static_cast<size_t>(base + *offset);
            *offset = static_cast<off64_t>(image.position);
            return 0;
        };
    }
    return fopencookie(&image, "rb", io);
}

TEST_F(FlashRunTest, ImagesThatCannotBeTakenWholeAreRefusedBeforeAnyPortAccess) {
    struct Case {
        const char* what;
        std::function<std::FILE*()> open;
        FlashOutcome outcome;
        const char* shown;
    };
    // 100 KB whose reads fail from 96 KB on: it would look short but complete.
    FakeImage bad_sector{Pattern(102400), 98304};
    FakeImage no_seek{Pattern(1000), 1000, false};
    const Case cases[] = {
        {"over 16 MiB",
         [&] {
             const auto path = WriteImage({0});
             std::filesystem::resize_file(path, 16 * 1024 * 1024 + 1);
             return std::fopen(path.c_str(), "rb");
         },
         FlashOutcome::ImageTooLarge, "Bin file over 16MB, not flashed!!"},
        {"a stream that cannot seek", [&] { return OpenFakeImage(no_seek); }, FlashOutcome::ImageSizeUnknown,
         "Bin file size unknown, not flashed!!"},
        {"a device", [] { return std::fopen("/dev/zero", "rb"); }, FlashOutcome::ImageSizeUnknown,
         "Bin file size unknown, not flashed!!"},
        {"a read error", [&] { return OpenFakeImage(bad_sector); }, FlashOutcome::ImageUnreadable,
         "Bin file read error!!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Start();
        UseImage(c.open());
        device_->EnablePortTrace(true);
        const FlashResult result = Run();
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_FALSE(FlashPassed(result));
        EXPECT_EQ(Steps(), std::vector<FlashStep>{FlashStep::Ended});
        EXPECT_EQ(Status(), c.shown);
        EXPECT_EQ(Memo(), std::vector<std::string>{c.shown});
        EXPECT_TRUE(device_->port_trace().empty());
    }
}

// Another program rewrites the image while it is being flashed: the flash still ends as the
// image was when the run began, and both sums are that image's.
TEST_F(FlashRunTest, ImageChangedDuringTheRunIsFlashedAsItWasAtTheStart) {
    const std::vector<uint8_t> original = Pattern(3 * 65536 - 100);
    std::vector<uint8_t> longer = original;
    std::reverse(longer.begin(), longer.end());
    longer.resize(4 * 65536, 0x5A);
    const std::vector<uint8_t> shorter(1000, 0x11);
    const std::vector<uint8_t>* rewrites[] = {&longer, &shorter};
    for (const std::vector<uint8_t>* rewrite : rewrites) {
        SCOPED_TRACE(rewrite->size());
        Start();
        const std::vector<uint8_t> fourth_chunk(device_->flash().begin() + 3 * 65536,
                                                device_->flash().begin() + 4 * 65536);
        const auto path = WriteImage(original);
        UseImage(std::fopen(path.c_str(), "rb"));
        on_event = [&](const FlashEvent& e) {
            if (e.step == FlashStep::ChunkStarted && e.chunk == 1) WriteImage(*rewrite);
        };
        const FlashResult result = Run();
        ASSERT_EQ(std::filesystem::file_size(path), rewrite->size());  // the rewrite happened
        EXPECT_EQ(result.outcome, FlashOutcome::Passed);
        EXPECT_TRUE(FlashHolds(original, 3));
        EXPECT_EQ(result.bin_sum, ChunkSum(original));
        EXPECT_EQ(result.rom_sum, ChunkSum(original));
        // The longer file's fourth chunk was never flashed.
        EXPECT_TRUE(std::equal(fourth_chunk.begin(), fourth_chunk.end(), device_->flash().begin() + 3 * 65536));
    }
}

// What each outcome means to the front ends and what the run's last event shows for it.
TEST(FlashOutcomeTest, EveryOutcomeHasItsPassAndItsEnding) {
    struct Ending {
        bool passed;
        std::string status;
        std::vector<std::string> memo;
        std::optional<unsigned> progress;
        std::string checksum;
    };
    const std::vector<std::string> fail_memo = {"Verify Fail", "Verify Fail!!"};
    const std::string chip_timeout = HW_FaultText(HwFault::ChipNotReady);
    const std::string ec_timeout = HW_FaultText(HwFault::EcNotAnswering);
    const std::map<FlashOutcome, Ending> expected = {
        {FlashOutcome::ImageTooLarge, {false, flash_text::kImageTooLarge, {flash_text::kImageTooLarge}, {}, ""}},
        {FlashOutcome::ImageSizeUnknown,
         {false, flash_text::kImageSizeUnknown, {flash_text::kImageSizeUnknown}, {}, ""}},
        {FlashOutcome::ImageUnreadable, {false, flash_text::kImageShort, {flash_text::kImageShort}, {}, ""}},
        {FlashOutcome::NoMemory, {false, flash_text::kNoMemory, {flash_text::kNoMemory}, {}, ""}},
        // Refusals whose text is made where they are decided.
        {FlashOutcome::LowBattery, {false, "why", {"why"}, {}, ""}},
        {FlashOutcome::NoEcAnswer, {false, "why", {"why"}, {}, ""}},
        {FlashOutcome::SessionBusy, {false, "why", {"why"}, {}, ""}},
        {FlashOutcome::ImageLargerThanChip, {false, "why", {"why"}, {}, ""}},
        {FlashOutcome::BackupFailed, {false, "why", {"why"}, {}, ""}},
        {FlashOutcome::NoAcknowledge, {false, "EC ACK Fail !ACK = 0F", {"EC ACK Fail !ACK = 0F"}, {}, ""}},
        {FlashOutcome::NothingToFlash, {false, "Verify Fail!!", fail_memo, 76, ""}},
        {FlashOutcome::BlankCheckFailed, {false, "Verify Fail!!", fail_memo, 76, ""}},
        {FlashOutcome::VerifyFailed, {false, "Verify Fail!!", fail_memo, 76, ""}},
        {FlashOutcome::EcTimedOut, {false, ec_timeout, {ec_timeout}, 76, ""}},
        {FlashOutcome::ChipTimedOut, {false, chip_timeout, {chip_timeout}, 76, ""}},
        // Every chunk verified byte by byte: the flash holds the image whatever the sums say.
        {FlashOutcome::ChecksumMismatch, {true, "", {}, {}, "ABCDEF"}},
        {FlashOutcome::Passed, {true, "", {}, {}, "ABCDEF"}},
    };
    for (int value = 0; value <= static_cast<int>(FlashOutcome::Passed); ++value) {
        const auto outcome = static_cast<FlashOutcome>(value);
        SCOPED_TRACE(FlashOutcomeName(outcome));
        ASSERT_EQ(expected.count(outcome), 1u);
        const Ending& want = expected.at(outcome);
        FlashEvent ended;
        ended.result.outcome = outcome;
        ended.result.ack = 0x0F;
        ended.result.ack_seen = true;
        ended.result.rom_sum = 0xABCDEF;
        ended.result.refusal = "why";
        ended.result.fault = outcome == FlashOutcome::EcTimedOut ? HwFault::EcNotAnswering : HwFault::ChipNotReady;
        EXPECT_EQ(FlashPassed(ended.result), want.passed);
        const FlashDisplay shown = FlashDisplayFor(ended);
        EXPECT_EQ(shown.status, want.status);
        EXPECT_EQ(shown.memo, want.memo);
        EXPECT_EQ(shown.progress, want.progress);
        EXPECT_EQ(shown.checksum, want.checksum);
    }
}

// The sums agree whenever every chunk verified; only the comparison step tells them apart.
TEST(FlashOutcomeTest, SumComparisonShowsItsVerdict) {
    FlashEvent compared;
    compared.step = FlashStep::SumsCompared;
    compared.result.outcome = FlashOutcome::Passed;
    EXPECT_EQ(FlashDisplayFor(compared).status, "CheckSum OK!!");
    compared.result.outcome = FlashOutcome::ChecksumMismatch;
    EXPECT_EQ(FlashDisplayFor(compared).status, "CheckSum Fail!!");
    EXPECT_EQ(FlashDisplayFor(compared).memo, std::vector<std::string>{"CheckSum Fail!!"});
}

}  // namespace
