// SPDX-License-Identifier: GPL-3.0-or-later
// A flash run with the checks before its first erase: an image larger than the chip ends the
// run with nothing erased, with or without a backup; a backup taken is announced and holds the
// flash as it was.

#include <sys/stat.h>

#include "flash/preflight.h"
#include "flash_run_fixture.h"

namespace {

using flash_test::FlashRunTest;
using flash_test::Pattern;
using S = FlashStep;

constexpr uint8_t kEraseOpcodes[] = {0x52, 0xD7, 0xD8};

class BeforeEraseRunTest : public FlashRunTest {
protected:
    void SetUp() override {
        FlashRunTest::SetUp();
        safeguards.backup_plan.directory = (dir_ / "backups").string();
        safeguards.backup_plan.wall_clock = [](std::time_t* out) -> std::time_t {
            if (out != nullptr) *out = 1'800'000'000;
            return 1'800'000'000;
        };
    }
    FlashResult RunChecked() {
        device_->EnableSpiTrace(true);
        return Run();
    }
    bool AnythingErased() const {
        for (const sim::SpiTransaction& t : device_->spi_trace())
            for (uint8_t opcode : kEraseOpcodes)
                if (!t.out.empty() && t.out[0] == opcode) return true;
        return false;
    }
    void ExpectAnOversizeImageErasesNothing() {
        sim::Config config;
        config.jedec_id = std::array<uint8_t, 3>{0xEF, 0x40, 0x11};  // 128 KB by its ID
        config.flash_size = 4 * 65536;                                // the fixture's old contents fit
        Start(config);
        const std::vector<uint8_t> before(device_->flash().begin(), device_->flash().end());
        OpenImage(Pattern(3 * 65536));
        const FlashResult result = RunChecked();
        EXPECT_EQ(result.outcome, FlashOutcome::ImageLargerThanChip);
        EXPECT_FALSE(AnythingErased());
        EXPECT_EQ(std::vector<uint8_t>(device_->flash().begin(), device_->flash().end()), before);
        EXPECT_EQ(EndCommands(), 1u);  // the EC is released all the same
        EXPECT_FALSE(std::filesystem::exists(dir_ / "backups"));
        EXPECT_EQ(Status(), kImageLargerThanChipText);
        EXPECT_EQ(Count(S::ChunkStarted), 0u);
    }
};

TEST_F(BeforeEraseRunTest, AnImageLargerThanTheChipErasesNothing) { ExpectAnOversizeImageErasesNothing(); }

TEST_F(BeforeEraseRunTest, WithoutBackupAnImageLargerThanTheChipErasesNothing) {
    safeguards.backup = false;
    ExpectAnOversizeImageErasesNothing();
}

TEST_F(BeforeEraseRunTest, TheBackupHoldsTheFlashAsItWasBeforeTheFirstErase) {
    sim::Config config;
    config.jedec_id = std::array<uint8_t, 3>{0xEF, 0x40, 0x12};  // 256 KB
    config.flash_size = 4 * 65536;
    Start(config);
    const std::vector<uint8_t> before(device_->flash().begin(), device_->flash().begin() + 4 * 65536);
    const std::vector<uint8_t> image = Pattern(2 * 65536);
    OpenImage(image);
    const FlashResult result = RunChecked();
    ASSERT_EQ(result.outcome, FlashOutcome::Passed);
    ASSERT_FALSE(result.backup_path.empty());
    std::ifstream backup(result.backup_path, std::ios::binary);
    const std::vector<uint8_t> saved{std::istreambuf_iterator<char>(backup), std::istreambuf_iterator<char>()};
    EXPECT_EQ(saved, before);  // the whole chip, as its ID gives it
    EXPECT_TRUE(FlashHolds(image, 2));
    const std::vector<FlashStep> steps = Steps();
    const auto backed_up = std::find(steps.begin(), steps.end(), S::BackedUp);
    ASSERT_NE(backed_up, steps.end());
    EXPECT_LT(backed_up, std::find(steps.begin(), steps.end(), S::Erasing));
    const std::vector<std::string> memo = Memo();
    EXPECT_NE(std::find(memo.begin(), memo.end(), "Flash backup: " + result.backup_path), memo.end());
}

TEST_F(BeforeEraseRunTest, WithoutBackupOnlyTheSizeIsChecked) {
    Start();
    safeguards.backup = false;
    const std::vector<uint8_t> image = Pattern(65536);
    OpenImage(image);
    const FlashResult result = RunChecked();
    EXPECT_EQ(result.outcome, FlashOutcome::Passed);
    EXPECT_EQ(result.backup_path, "");
    EXPECT_EQ(Count(S::BackedUp), 0u);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "backups"));
    EXPECT_TRUE(FlashHolds(image, 1));
}

}  // namespace
