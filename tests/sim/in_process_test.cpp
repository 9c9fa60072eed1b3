// SPDX-License-Identifier: GPL-3.0-or-later
// sim::InProcess puts a device behind IO_In/IO_Out and takes it away again.

#include <gtest/gtest.h>

#include "hw/port_io.h"
#include "sim/in_process.h"
#include "sim_host.h"

namespace {

TEST(InProcessTest, DeviceAnswersAtTheSeamUntilTheGuardEnds) {
    sim::Config config = simtest::SmallConfig();
    config.chip_id = 0x1234;
    sim::Device device(config);
    {
        sim::InProcess seam(device);
        ASSERT_TRUE(IO_Open());
        IO_Out(0x12345, 0x00);  // only the low 16 bits are a port
        EXPECT_EQ(device.counters().other, 1u);
        EXPECT_EQ(IO_In(0x2F), 0xFF);
        IO_Close();
    }
    EXPECT_EQ(IO_In(0x3F4), 0xFF);
    EXPECT_EQ(device.counters().total(), 2u) << "nothing reaches the device after the guard";
}

TEST(InProcessTest, InnermostGuardWinsAndTheOuterReturns) {
    sim::Config outer_config = simtest::SmallConfig();
    outer_config.ec_space[1] = 0x0A;
    sim::Config inner_config = simtest::SmallConfig();
    inner_config.ec_space[1] = 0x0B;
    sim::Device outer(outer_config);
    sim::Device inner(inner_config);
    simtest::SimHost host(0x3F4, 0x3F0);
    auto space_byte = [&] {
        host.WriteCmd(0x80);
        host.WriteData(1);
        return host.ReadData();
    };
    sim::InProcess outer_seam(outer);
    EXPECT_EQ(space_byte(), 0x0A);
    {
        sim::InProcess inner_seam(inner);
        EXPECT_EQ(space_byte(), 0x0B);
    }
    EXPECT_EQ(space_byte(), 0x0A);
}

TEST(InProcessTest, ClosedDriverIsRefusedAtOpen) {
    sim::Config config = simtest::SmallConfig();
    config.driver_open = false;
    sim::Device device(config);
    sim::InProcess seam(device);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(IO_Open());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), kPortLibraryFailText);
}

}  // namespace
