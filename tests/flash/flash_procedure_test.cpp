// The whole flash procedure against the simulated EC: what it shows, when it tells the EC
// to leave follow mode, what it leaves in the flash, and how it ends every kind of failure.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "flash/flash_procedure.h"
#include "flash/image_reader.h"
#include "hw/clock.h"
#include "hw/ec_channel.h"
#include "hw/hw_fault.h"
#include "sim/in_process.h"
#include "spi/chip_id.h"
#include "spi/progress_out.h"

namespace {

namespace fs = std::filesystem;
constexpr uint8_t kEndCmd = 0x77;

struct RecordingReporter : FlashReporter {
    void SetStatus(const std::string& text) override { status = text; }
    void AppendMemo(const std::string& line) override { memo.push_back(line); }
    void SetProgress(unsigned percent) override { progress.push_back(percent); }
    void SetProcessText(const std::string& text) override { process = text; }
    void SetCheckSum(const std::string& text) override { checksum = text; }
    void RepaintWindow() override {}
    void ShowFwVersion() override { ++version_reads; }

    std::string status;
    std::vector<std::string> memo;
    std::vector<unsigned> progress;
    std::string process;
    std::string checksum;
    int version_reads = 0;
};

#ifdef __GLIBC__
// An image stream whose reads fail from `fail_from` on, as a disk with a bad sector does;
// seeking and measuring still work. Made with glibc's custom streams, so tested there only.
struct FailingImage {
    std::vector<uint8_t> bytes;
    size_t fail_from;
    size_t position = 0;
};

std::FILE* OpenFailingImage(FailingImage& image) {
    cookie_io_functions_t io{};
    io.read = [](void* cookie, char* buffer, size_t size) -> ssize_t {
        auto& image = *static_cast<FailingImage*>(cookie);
        if (image.position >= image.fail_from) return -1;
        const size_t count = std::min({size, image.bytes.size() - image.position, image.fail_from - image.position});
        std::memcpy(buffer, image.bytes.data() + image.position, count);
        image.position += count;
        return static_cast<ssize_t>(count);
    };
    io.seek = [](void* cookie, off64_t* offset, int whence) -> int {
        auto& image = *static_cast<FailingImage*>(cookie);
        const off64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? image.position : image.bytes.size();
        image.position = static_cast<size_t>(base + *offset);
        *offset = static_cast<off64_t>(image.position);
        return 0;
    };
    return fopencookie(&image, "rb", io);
}
#endif

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = 0x12345678;
    for (uint8_t& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 16);
    }
    return bytes;
}

class FlashProcedureTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vantu-flash-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        progress_ = std::tmpfile();
        g_ProgressOut = progress_;
        SPI_ResetChipState();
        HW_ClearFault();
        g_StatusPort = g_CmdPort = 0x3F4;
        g_DataPort = 0x3F0;
    }
    void TearDown() override {
        installed_.reset();
        if (g_ImageFile != nullptr) std::fclose(g_ImageFile);
        g_ImageFile = nullptr;
        g_ProgressOut = stdout;
        std::fclose(progress_);
        fs::remove_all(dir_);
    }

    sim::Device& Start(sim::Config config = sim::Config{}) {
        installed_.reset();
        device_ = std::make_unique<sim::Device>(config);
        // Old contents that differ from any image below.
        std::vector<uint8_t> old = Pattern(4 * 65536);
        std::reverse(old.begin(), old.end());
        std::copy(old.begin(), old.end(), device_->flash().begin());
        device_->EnableEcTrace(true);
        installed_ = std::make_unique<sim::InProcess>(*device_);
        return *device_;
    }

    void OpenImage(const std::vector<uint8_t>& bytes) {
        const fs::path path = dir_ / "image.bin";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        g_ImageFile = std::fopen(path.string().c_str(), "rb");
        ASSERT_NE(g_ImageFile, nullptr);
    }

    bool Run() { return DoFlashProcedure(kEndCmd, ui_); }

    bool FlashHolds(const std::vector<uint8_t>& image, size_t chunks) {
        const auto flash = device_->flash();
        for (size_t i = 0; i < chunks * 65536; ++i) {
            const uint8_t want = i < image.size() ? image[i] : 0xFF;
            if (flash[i] != want) return false;
        }
        return true;
    }

    size_t EndCommands() const {
        return std::count(device_->ec_trace().begin(), device_->ec_trace().end(),
                          sim::EcEvent{sim::EcEvent::LeaveFollow, kEndCmd});
    }

    // Nothing at all may reach the EC once it has left follow mode.
    bool QuietAfterLeaving() const {
        const auto& trace = device_->ec_trace();
        const auto left = std::find_if(trace.begin(), trace.end(),
                                       [](const sim::EcEvent& e) { return e.kind == sim::EcEvent::LeaveFollow; });
        return left == trace.end() || left + 1 == trace.end();
    }

    fs::path dir_;
    std::FILE* progress_ = nullptr;
    ManualClock clock_{1};
    ScopedClock clock_guard_{clock_};
    std::unique_ptr<sim::Device> device_;
    std::unique_ptr<sim::InProcess> installed_;
    RecordingReporter ui_;
};

TEST_F(FlashProcedureTest, PassingRunFlashesEveryChunkAndReportsEachStep) {
    Start();
    const std::vector<uint8_t> image = Pattern(3 * 65536 - 100);
    OpenImage(image);
    EXPECT_TRUE(Run());
    EXPECT_TRUE(FlashHolds(image, 3));
    EXPECT_EQ(device_->counters().ibf_overruns, 0u);  // never a byte before the EC took the last
    EXPECT_EQ(EndCommands(), 1u);
    EXPECT_FALSE(device_->in_follow_mode());

    const std::vector<std::string> chunk = {"Start Block....", "Check Block....", "Start Programming....",
                                            "Start Verify...."};
    std::vector<std::string> want = {"EC ACK OK.", "Start flash!!"};
    want.insert(want.end(), chunk.begin(), chunk.end());
    want.push_back("Continue to Flash 64K Page2....");  // once, before the second chunk only
    want.insert(want.end(), chunk.begin(), chunk.end());
    want.insert(want.end(), chunk.begin(), chunk.end());
    want.insert(want.end(), {"Verify OK!!", "CheckSum OK!!"});
    EXPECT_EQ(ui_.memo, want);
    EXPECT_EQ(ui_.status, "CheckSum OK!!");
    EXPECT_EQ(ui_.process, "100");
    EXPECT_EQ(ui_.version_reads, 1);
    // Pauses: 2 x 50 opening, 200 per chunk, 200 before the second, 50 + 1000 at the end.
    EXPECT_EQ(clock_.slept_ms(), 100u + 3 * 200 + 200 + 1050);
}

TEST_F(FlashProcedureTest, ProgressFollowsTheBytesProgrammed) {
    Start();
    OpenImage(Pattern(2 * 65536));
    EXPECT_TRUE(Run());
    EXPECT_EQ(ui_.progress, (std::vector<unsigned>{1, 25, 50, 75, 50, 1, 25, 50, 75, 100, 100}));
}

TEST_F(FlashProcedureTest, CheckSumTextHasAtLeastSixUppercaseDigits) {
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
        EXPECT_TRUE(Run());
        EXPECT_EQ(ui_.checksum, c.shown);
        std::fclose(g_ImageFile);
        g_ImageFile = nullptr;
    }
}

TEST_F(FlashProcedureTest, RefusedFollowModeShowsTheAnswerAndNothingElse) {
    sim::Config config;
    config.flash_mode_reply = 0x5A;
    Start(config);
    OpenImage(Pattern(1000));
    EXPECT_FALSE(Run());
    EXPECT_EQ(ui_.status, "EC ACK Fail !ACK = 5A");
    EXPECT_EQ(ui_.memo, std::vector<std::string>{"EC ACK Fail !ACK = 5A"});
    EXPECT_EQ(EndCommands(), 0u);
}

TEST_F(FlashProcedureTest, EmptyImageFailsAndStillReleasesTheEc) {
    Start();
    OpenImage({});
    EXPECT_FALSE(Run());
    EXPECT_EQ(ui_.memo, (std::vector<std::string>{"EC ACK OK.", "Start flash!!", "Verify Fail", "Verify Fail!!"}));
    EXPECT_EQ(ui_.status, "Verify Fail!!");
    EXPECT_EQ(ui_.progress.back(), 76u);
    EXPECT_EQ(ui_.process, "76");
    // The EC must not be left in follow mode with nothing to flash.
    EXPECT_EQ(EndCommands(), 1u);
    EXPECT_FALSE(device_->in_follow_mode());
}

TEST_F(FlashProcedureTest, VerifyFailureEndsTheRunAtThatChunk) {
    sim::Config config;
    config.chip = sim::ChipKind::Mx;
    const std::vector<uint8_t> image = Pattern(2 * 65536);
    // A bit of chunk 0 that will not program.
    size_t address = 0;
    while ((image[address] & 0x01) != 0) ++address;
    config.stuck_ones = {{static_cast<uint32_t>(address), 0x01}};
    Start(config);
    OpenImage(image);

    EXPECT_FALSE(Run());
    const std::vector<std::string> tail(ui_.memo.end() - 4, ui_.memo.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"Start Verify....", "Verify Fail", "Verify Fail", "Verify Fail!!"}));
    // The second chunk is never started: the EC already left follow mode.
    EXPECT_EQ(std::count(ui_.memo.begin(), ui_.memo.end(), "Start Block...."), 1);
    EXPECT_EQ(EndCommands(), 1u);
    EXPECT_TRUE(QuietAfterLeaving());
    EXPECT_EQ(device_->chip_status() & 0x0C, 0x0C);  // protected again before the EC was released
}

#ifdef __GLIBC__
TEST_F(FlashProcedureTest, ReadErrorFailsTheRunBeforeItsChunkIsErased) {
    Start();
    // 100 KB whose reads fail from 96 KB on: chunk 1 would look short but complete.
    FailingImage image{Pattern(102400), 98304};
    g_ImageFile = OpenFailingImage(image);
    ASSERT_NE(g_ImageFile, nullptr);
    const std::vector<uint8_t> old_chunk1(device_->flash().begin() + 65536, device_->flash().begin() + 131072);

    EXPECT_FALSE(Run());
    EXPECT_EQ(ui_.status, flash_text::kImageShort);
    EXPECT_EQ(std::count(ui_.memo.begin(), ui_.memo.end(), "Start Block...."), 1);
    EXPECT_TRUE(std::equal(old_chunk1.begin(), old_chunk1.end(), device_->flash().begin() + 65536));
    EXPECT_EQ(EndCommands(), 1u);
    EXPECT_FALSE(device_->in_follow_mode());
}
#endif

TEST_F(FlashProcedureTest, RefusedEraseFailsTheBlankCheck) {
    sim::Config config;
    config.erase_refused = true;
    Start(config);
    OpenImage(Pattern(3 * 65536));
    EXPECT_FALSE(Run());
    EXPECT_NE(std::find(ui_.memo.begin(), ui_.memo.end(), "Block Verify Fail!!"), ui_.memo.end());
    EXPECT_EQ(ui_.status, "Verify Fail!!");
    EXPECT_EQ(EndCommands(), 1u);
    EXPECT_TRUE(QuietAfterLeaving());
}

TEST_F(FlashProcedureTest, OversizeImageIsRefusedBeforeAnyPortAccess) {
    Start();
    const fs::path path = dir_ / "huge.bin";
    std::ofstream(path, std::ios::binary).put('\0');
    fs::resize_file(path, 16 * 1024 * 1024 + 1);
    g_ImageFile = std::fopen(path.string().c_str(), "rb");
    device_->EnablePortTrace(true);
    EXPECT_FALSE(Run());
    EXPECT_EQ(ui_.status, flash_text::kImageTooLarge);
    EXPECT_TRUE(device_->port_trace().empty());
}

TEST_F(FlashProcedureTest, DeadHardwareEndsTheRunInItsBoundWithAReason) {
    struct Case {
        const char* what;
        sim::Config config;
        HwFault fault;
    };
    sim::Config stops;
    stops.stop_answering_after_commands = 5000;
    sim::Config busy;
    busy.stuck_busy = true;
    for (const Case& c : {Case{"EC stops", stops, HwFault::EcNotAnswering}, Case{"chip busy", busy, HwFault::ChipNotReady}}) {
        Start(c.config);
        ui_ = RecordingReporter{};
        OpenImage(Pattern(2 * 65536));
        EXPECT_FALSE(Run()) << c.what;
        EXPECT_EQ(ui_.status, HW_FaultText(c.fault)) << c.what;
        EXPECT_EQ(ui_.process, "76") << c.what;
        EXPECT_FALSE(HW_Faulted()) << c.what;
        std::fclose(g_ImageFile);
        g_ImageFile = nullptr;
    }
}

}  // namespace
