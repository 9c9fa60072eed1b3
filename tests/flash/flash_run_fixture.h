// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A flash run against the simulated EC with a manual clock: the image in a temporary file,
// every event the run reports kept for the test to read.

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "flash/flash_procedure.h"
#include "flash/image.h"
#include "hw/ec_channel.h"
#include "platform/clock.h"
#include "sim/in_process.h"
#include "spi/chip_id.h"
#include "spi/chunk_state.h"

namespace flash_test {

inline constexpr uint8_t kEndCmd = 0x77;

inline std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = 0x12345678;
    for (uint8_t& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 16);
    }
    return bytes;
}

/// The byte sum of the image in whole chunks, 0xFF fill included.
inline uint32_t ChunkSum(const std::vector<uint8_t>& image) {
    uint32_t sum = 0;
    for (uint8_t b : image) sum += b;
    const size_t fill = (kChunkBytes - image.size() % kChunkBytes) % kChunkBytes;
    return sum + static_cast<uint32_t>(fill * 0xFF);
}

class FlashRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("vantu-flash-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        // No supply listed: the battery never refuses. Backups stay in the test's directory.
        safeguards.power_supply_root = (dir_ / "power_supply").string();
        safeguards.backup_plan.directory = (dir_ / "backups").string();
    }
    void TearDown() override {
        installed_.reset();
        CloseImage();
        std::filesystem::remove_all(dir_);
    }

    sim::Device& Start(sim::Config config = sim::Config{}) {
        installed_.reset();
        device_ = std::make_unique<sim::Device>(config);
        // Old contents that differ from any image below.
        std::vector<uint8_t> old = Pattern(4 * 65536);
        std::reverse(old.begin(), old.end());
        const size_t fits = std::min(old.size(), device_->flash().size());
        std::copy(old.begin(), old.begin() + fits, device_->flash().begin());
        device_->EnableEcTrace(true);
        installed_ = std::make_unique<sim::InProcess>(*device_);
        return *device_;
    }

    std::filesystem::path WriteImage(const std::vector<uint8_t>& bytes, const char* name = "image.bin") {
        const std::filesystem::path path = dir_ / name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path;
    }
    void OpenImage(const std::vector<uint8_t>& bytes) { UseImage(std::fopen(WriteImage(bytes).string().c_str(), "rb")); }
    /// Makes `file` the image of the next runs; the fixture closes it.
    void UseImage(std::FILE* file) {
        CloseImage();
        ASSERT_NE(file, nullptr);
        image_ = file;
        options.image = file;
    }
    void CloseImage() {
        options.image = nullptr;
        if (image_ != nullptr) std::fclose(image_);
        image_ = nullptr;
    }

    /// One flash run; its events land in `events`, and `on_event` sees each as it comes.
    FlashResult Run() {
        events.clear();
        return DoFlashProcedure(options, [this](const FlashEvent& event) {
            events.push_back(event);
            if (on_event) on_event(event);
        });
    }

    std::vector<FlashStep> Steps() const {
        std::vector<FlashStep> steps;
        for (const FlashEvent& e : events) steps.push_back(e.step);
        return steps;
    }
    /// The status history the window would hold.
    std::vector<std::string> Memo() const {
        std::vector<std::string> lines;
        for (const FlashEvent& e : events) {
            const FlashDisplay shown = FlashDisplayFor(e);
            lines.insert(lines.end(), shown.memo.begin(), shown.memo.end());
        }
        return lines;
    }
    /// The status line the window would show last.
    std::string Status() const { return LastShown(&FlashDisplay::status); }
    /// The number beside the progress bar the window would show last.
    std::string Percent() const { return LastShown(&FlashDisplay::percent); }
    std::vector<unsigned> Progress() const {
        std::vector<unsigned> values;
        for (const FlashEvent& e : events)
            if (const auto progress = FlashDisplayFor(e).progress) values.push_back(*progress);
        return values;
    }
    size_t Count(FlashStep step) const {
        const std::vector<FlashStep> steps = Steps();
        return std::count(steps.begin(), steps.end(), step);
    }

    bool FlashHolds(const std::vector<uint8_t>& image, size_t chunks) const {
        const auto flash = device_->flash();
        for (size_t i = 0; i < chunks * 65536; ++i) {
            const uint8_t want = i < image.size() ? image[i] : 0xFF;
            if (flash[i] != want) return false;
        }
        return true;
    }

    /// The one backup the last run left.
    std::string BackupPath() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(safeguards.backup_plan.directory))
            found.push_back(entry.path().string());
        return found.size() == 1 ? found[0] : "";
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

    std::filesystem::path dir_;
    ManualClock clock_{1};
    ScopedClock clock_guard_{clock_};
    std::unique_ptr<sim::Device> device_;
    FlashRunOptions options = [] {
        FlashRunOptions defaults;
        defaults.end_cmd = kEndCmd;
        return defaults;
    }();
    std::vector<FlashEvent> events;
    std::function<void(const FlashEvent&)> on_event;
    FlashSafeguards& safeguards = options.safeguards;

private:
    std::string LastShown(std::string FlashDisplay::*text) const {
        std::string shown;
        for (const FlashEvent& e : events)
            if (const FlashDisplay display = FlashDisplayFor(e); !(display.*text).empty()) shown = display.*text;
        return shown;
    }

    std::unique_ptr<sim::InProcess> installed_;
    std::FILE* image_ = nullptr;
};

}  // namespace flash_test
