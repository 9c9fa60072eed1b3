// SPDX-License-Identifier: GPL-3.0-or-later
// The checks before the first erase against the simulated EC: the backup holds exactly what
// the flash held, a backup that cannot be read or written stops the run with the flash
// untouched, and an image larger than the chip is refused before anything is read.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "flash/flash_backup.h"
#include "flash/preflight.h"
#include "hw/ec_channel.h"
#include "platform/clock.h"
#include "sim/in_process.h"
#include "spi/chip_id.h"
#include "spi/verify.h"
#include "test_env.h"

namespace {

namespace fs = std::filesystem;

constexpr std::time_t kStamp = 1796811300;  // 2026-12-09 10:15:00 UTC
std::time_t FixedClock(std::time_t* out) {
    if (out != nullptr) *out = kStamp;
    return kStamp;
}

std::vector<uint8_t> Noise(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    for (uint8_t& byte : bytes) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(seed >> 24);
    }
    return bytes;
}

std::vector<uint8_t> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class BeforeEraseTest : public ::testing::Test {
protected:
    void SetUp() override {
        testenv::Set("TZ", "UTC0");
        ::tzset();
        dir_ = fs::temp_directory_path() / ("vantu-backup-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        seam_.reset();
        device_.reset();
        fs::remove_all(dir_);
    }

    // A device full of old contents, in follow mode with its chip identified, as the flash
    // run has it just before the first erase.
    sim::Device& Start(sim::Config config) {
        config.initial_status = 0x0C;
        seam_.reset();  // the guard of the last device goes before the next one's begins
        device_ = std::make_unique<sim::Device>(config);
        const std::vector<uint8_t> old = Noise(device_->flash().size(), config.flash_size + 7);
        std::copy(old.begin(), old.end(), device_->flash().begin());
        seam_ = std::make_unique<sim::InProcess>(*device_);
        ec_ = EcChannel{};
        EXPECT_TRUE(ec_.RequestFollowMode().entered());
        chip_ = SPI_ReadJedecId(ec_);
        device_->EnableSpiTrace(true);
        before_ = std::vector<uint8_t>(device_->flash().begin(), device_->flash().end());
        return *device_;
    }
    BackupPlan Plan() const {
        BackupPlan plan;
        plan.directory = (dir_ / "backups").string();
        plan.wall_clock = FixedClock;
        return plan;
    }
    bool FlashUntouched() const { return std::equal(before_.begin(), before_.end(), device_->flash().begin()); }
    size_t Transactions(uint8_t opcode) const {
        return std::count_if(device_->spi_trace().begin(), device_->spi_trace().end(),
                             [&](const sim::SpiTransaction& t) { return !t.out.empty() && t.out[0] == opcode; });
    }
    std::vector<fs::path> BackupDirEntries() const {
        std::vector<fs::path> entries;
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(dir_ / "backups", error)) entries.push_back(entry.path());
        return entries;
    }

    fs::path dir_;
    ManualClock clock_{1};
    ScopedClock scoped_clock_{clock_};
    std::unique_ptr<sim::Device> device_;
    std::unique_ptr<sim::InProcess> seam_;
    std::vector<uint8_t> before_;
    ChipRecord chip_;  // as the identification found it
    EcChannel ec_;     // the run's channel, in follow mode
};

TEST_F(BeforeEraseTest, BackupHoldsExactlyTheOldFlash) {
    struct Case {
        const char* what;
        sim::ChipKind chip;
        std::optional<std::array<uint8_t, 3>> id;
        uint32_t flash_size;
        uint32_t image_bytes;
        uint32_t backup_bytes;
        const char* name;
    };
    const std::array<uint8_t, 3> one_mib{0xEF, 0x40, 0x14};
    const Case cases[] = {
        {"ID gives 1 MiB, 128 KB image", sim::ChipKind::Winbond, one_mib, 0, 128u << 10, 1u << 20,
         "20261209-101500-EF4014.bin"},
        {"ID gives 1 MiB, 1 MiB image", sim::ChipKind::Winbond, one_mib, 0, 1u << 20, 1u << 20,
         "20261209-101500-EF4014.bin"},
        {"ID gives 1 MiB, odd image", sim::ChipKind::Winbond, one_mib, 0, 100003, 1u << 20,
         "20261209-101500-EF4014.bin"},
        {"legacy ID, 128 KB image", sim::ChipKind::LegacyOther, std::nullopt, 2u << 20, 128u << 10, 128u << 10,
         "20261209-101500-9D7F9D.bin"},
        {"legacy ID, 1 MiB image", sim::ChipKind::LegacyOther, std::nullopt, 2u << 20, 1u << 20, 1u << 20,
         "20261209-101500-9D7F9D.bin"},
        {"legacy ID, odd image", sim::ChipKind::LegacyOther, std::nullopt, 2u << 20, 100003, 2 * 65536,
         "20261209-101500-9D7F9D.bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir_ / "backups");
        sim::Config config;
        config.chip = c.chip;
        config.jedec_id = c.id;
        config.flash_size = c.flash_size;
        Start(config);

        const BeforeEraseOutcome outcome = CheckBeforeFirstErase(ec_, chip_, c.image_bytes, Plan());

        ASSERT_EQ(outcome.status, BeforeEraseStatus::Ready) << outcome.error_line;
        const fs::path expected_path = dir_ / "backups" / c.name;
        EXPECT_EQ(outcome.backup.path, expected_path.string());
        EXPECT_EQ(outcome.status_line, "Flash backup: " + expected_path.string());
        EXPECT_NE(outcome.error_line.find(expected_path.string()), std::string::npos);
        const std::vector<uint8_t> saved = FileBytes(expected_path);
        ASSERT_EQ(saved.size(), c.backup_bytes);
        EXPECT_TRUE(std::equal(saved.begin(), saved.end(), before_.begin())) << "backup differs from the flash";
        EXPECT_EQ(BackupDirEntries().size(), 1u) << "no temporary file left";
        EXPECT_TRUE(FlashUntouched());
        EXPECT_TRUE(device_->in_follow_mode());
        EXPECT_FALSE(ec_.faulted());
    }
}

TEST_F(BeforeEraseTest, BackupThatCannotBeWrittenStopsBeforeAnyRead) {
    Start(sim::Config{});
    std::ofstream(dir_ / "backups") << "a file where the directory belongs";
    const BeforeEraseOutcome outcome = CheckBeforeFirstErase(ec_, chip_, 128u << 10, Plan());
    EXPECT_EQ(outcome.status, BeforeEraseStatus::BackupFailed);
    EXPECT_EQ(outcome.backup.status, BackupStatus::WriteFailed);
    EXPECT_EQ(outcome.status_line, "Flash backup not written, not flashed!!");
    EXPECT_NE(outcome.error_line.find("could not be written"), std::string::npos) << outcome.error_line;
    EXPECT_NE(outcome.error_line.find("Not a directory"), std::string::npos) << outcome.error_line;
    EXPECT_EQ(Transactions(0x0B), 0u);
    EXPECT_TRUE(FlashUntouched());
}

TEST_F(BeforeEraseTest, ReadFaultLeavesNoFileAndTheFaultForTheCaller) {
    sim::Config config;
    config.jedec_id = std::array<uint8_t, 3>{0xEF, 0x40, 0x11};
    // The EC stops answering inside the first 64 KB (one command per byte read).
    config.stop_answering_after_commands = 40000;
    Start(config);
    const BeforeEraseOutcome outcome = CheckBeforeFirstErase(ec_, chip_, 128u << 10, Plan());
    EXPECT_EQ(outcome.status, BeforeEraseStatus::BackupFailed);
    EXPECT_EQ(outcome.backup.status, BackupStatus::ReadFailed);
    EXPECT_EQ(outcome.status_line, "Flash backup read failed, not flashed!!");
    EXPECT_NE(outcome.error_line.find("EC not answering"), std::string::npos) << outcome.error_line;
    EXPECT_TRUE(ec_.faulted());
    EXPECT_TRUE(BackupDirEntries().empty()) << "neither the backup nor its temporary file is left";
    EXPECT_TRUE(FlashUntouched());
}

TEST_F(BeforeEraseTest, ImageLargerThanTheChipIsRefusedBeforeAnythingIsRead) {
    sim::Config config;
    config.jedec_id = std::array<uint8_t, 3>{0xEF, 0x40, 0x11};  // 128 KB
    Start(config);
    const BeforeEraseOutcome refused = CheckBeforeFirstErase(ec_, chip_, (128u << 10) + 1, Plan());
    EXPECT_EQ(refused.status, BeforeEraseStatus::ImageLargerThanChip);
    EXPECT_EQ(refused.status_line, "Bin file larger than flash chip, not flashed!!");
    EXPECT_NE(refused.error_line.find("131073"), std::string::npos) << refused.error_line;
    EXPECT_EQ(Transactions(0x0B), 0u);
    EXPECT_FALSE(fs::exists(dir_ / "backups"));

    const BeforeEraseOutcome fits = CheckBeforeFirstErase(ec_, chip_, 128u << 10, Plan());
    EXPECT_EQ(fits.status, BeforeEraseStatus::Ready);
    EXPECT_TRUE(FlashUntouched());
}

TEST_F(BeforeEraseTest, EarlierBackupOfTheSameSecondIsKept) {
    sim::Config config;
    config.jedec_id = std::array<uint8_t, 3>{0xEF, 0x40, 0x10};  // 64 KB
    Start(config);
    const BackupResult first = BackupFlash(ec_, {Plan().directory, 65536, {0xEF, 0x40, 0x10}, FixedClock});
    device_->flash()[0] ^= 0xFF;
    const BackupResult second = BackupFlash(ec_, {Plan().directory, 65536, {0xEF, 0x40, 0x10}, FixedClock});
    ASSERT_EQ(first.status, BackupStatus::Written);
    ASSERT_EQ(second.status, BackupStatus::Written);
    EXPECT_EQ(fs::path(second.path).filename(), "20261209-101500-EF4010-2.bin");
    EXPECT_EQ(FileBytes(first.path)[0], before_[0]);
    EXPECT_EQ(FileBytes(second.path)[0], static_cast<uint8_t>(before_[0] ^ 0xFF));
}

TEST(ChipCapacityTest, CapacityComesFromAJedecIdOnly) {
    struct Case {
        uint8_t id[4];
        bool legacy;
        std::optional<uint32_t> capacity;
    };
    const Case cases[] = {
        {{0xEF, 0x40, 0x16, 0xEF}, false, 4u << 20},
        {{0xC2, 0x20, 0x10, 0xC2}, false, 64u << 10},
        {{0xEF, 0x40, 0x18, 0xEF}, false, 16u << 20},
        {{0xEF, 0x40, 0x0F, 0xEF}, false, std::nullopt},
        {{0xEF, 0x40, 0x19, 0xEF}, false, std::nullopt},  // beyond the 24-bit address
        {{0xBF, 0x25, 0x8E, 0xBF}, false, std::nullopt},
        {{0xBF, 0x48, 0x14, 0x48}, true, std::nullopt},   // a legacy answer says nothing of size
    };
    for (const Case& c : cases) EXPECT_EQ(ChipCapacityBytes(c.id, c.legacy), c.capacity);

    EXPECT_TRUE(ImageFitsChip(64u << 10, 64u << 10));
    EXPECT_FALSE(ImageFitsChip((64u << 10) + 1, 64u << 10));
    EXPECT_TRUE(ImageFitsChip(16u << 20, std::nullopt));

    EXPECT_EQ(BackupBytes(1, 4u << 20), 4u << 20);
    EXPECT_EQ(BackupBytes(0, std::nullopt), 65536u);
    EXPECT_EQ(BackupBytes(65536, std::nullopt), 65536u);
    EXPECT_EQ(BackupBytes(65537, std::nullopt), 131072u);
    EXPECT_EQ(BackupBytes(16u << 20, std::nullopt), 16u << 20);
}

}  // namespace
