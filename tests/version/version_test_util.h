// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A simulated device at the port seam, a manual clock and fresh hardware state per test.

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

#include "hw/ec_channel.h"
#include "hw/super_io.h"
#include "platform/clock.h"
#include "settings/ui_settings.h"
#include "sim/in_process.h"
#include "sim/sim_device.h"

namespace version_test {

class SimFixture : public testing::Test {
protected:
    void TearDown() override {
        io_.reset();
        device_.reset();
    }

    /// Starts the simulated device; every port access from here on reaches it.
    sim::Device& Start() {
        device_ = std::make_unique<sim::Device>(config_);
        io_ = std::make_unique<sim::InProcess>(*device_);
        device_->EnablePortTrace(true);
        device_->EnableEcTrace(true);
        return *device_;
    }

    void PutBram(uint8_t index, std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) config_.bram[index++] = b;
    }
    void PutEcSpace(uint8_t index, std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) config_.ec_space[index++] = b;
    }

    /// EC read commands (0x80) the device took.
    int EcReadCommands() const {
        int count = 0;
        for (const sim::EcEvent& e : device_->ec_trace())
            if (e.kind == sim::EcEvent::Command && e.value == 0x80) ++count;
        return count;
    }

    sim::Config config_;
    EcPorts ports_;  // where the version reads go
    std::unique_ptr<sim::Device> device_;
    // Time advances by a millisecond at every reading, so bounded waits expire quickly.
    ManualClock clock_{1};
    ScopedClock clock_guard_{clock_};

private:
    std::unique_ptr<sim::InProcess> io_;
};

inline UiSettings VersionSettings(uint8_t read_method, int32_t read_bytes, int32_t hex_display,
                                  int32_t start_index) {
    UiSettings s;
    s.FwVersionShow = 1;
    s.ReadMethod = read_method;
    s.ReadBytes = read_bytes;
    s.HexDisplay = hex_display;
    s.BramStartIndex = start_index;
    return s;
}

}  // namespace version_test
