// A flash run told to save no backup: the image is still held against the chip's capacity,
// and nothing is read or written for a backup.

#include "flash_run_fixture.h"

namespace {

using flash_test::FlashRunTest;
using flash_test::Pattern;

TEST_F(FlashRunTest, WithoutBackupTheImageIsStillHeldAgainstTheChip) {
    safeguards.save_backup = false;
    sim::Config small;
    small.jedec_id = std::array<uint8_t, 3>{0xEF, 0x40, 0x11};  // 128 KB
    Start(small);
    const std::vector<uint8_t> before(device_->flash().begin(), device_->flash().end());
    OpenImage(Pattern(128 * 1024 + 1));
    FlashResult result = Run();
    EXPECT_EQ(result.outcome, FlashOutcome::ImageLargerThanChip);
    EXPECT_EQ(Status(), "Bin file larger than flash chip, not flashed!!");
    EXPECT_EQ(EndCommands(), 1u);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), device_->flash().begin()));

    Start(small);
    const std::vector<uint8_t> image = Pattern(65536);
    OpenImage(image);
    result = Run();
    EXPECT_EQ(result.outcome, FlashOutcome::Passed);
    EXPECT_EQ(result.backup_path, "");
    EXPECT_FALSE(std::filesystem::exists(safeguards.backup.directory));
    EXPECT_TRUE(FlashHolds(image, 1));
    EXPECT_EQ(Memo().front(), "EC ACK OK.");  // no backup line in the history
}

}  // namespace
