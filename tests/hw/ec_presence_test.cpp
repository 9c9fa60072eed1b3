// SPDX-License-Identifier: GPL-3.0-or-later
// An EC status port that nothing drives reads 0xFF: it is found by reads alone, and the run
// is told which port it was.

#include <gtest/gtest.h>

#include "hw/ec_channel.h"
#include "hw/port_io.h"
#include "sim/in_process.h"

namespace {

class EcPresenceTest : public ::testing::Test {
protected:
    EcChannel ec_;  // status port 0x3F4
};

TEST_F(EcPresenceTest, SilentPortIsFoundWithoutWritingAnything) {
    sim::Config config;
    config.ec_absent = true;
    sim::Device device(config);
    device.EnablePortTrace(true);
    sim::InProcess seam(device);
    EXPECT_FALSE(ec_.StatusPortAnswers());
    ASSERT_EQ(device.port_trace().size(), static_cast<size_t>(kEcSilentReads));
    for (const sim::PortOp& op : device.port_trace()) {
        EXPECT_FALSE(op.is_write);
        EXPECT_EQ(op.port, 0x3F4);
    }
}

TEST_F(EcPresenceTest, AnsweringEcPassesAtItsFirstRead) {
    sim::Device device;
    device.EnablePortTrace(true);
    sim::InProcess seam(device);
    EXPECT_TRUE(ec_.StatusPortAnswers());
    EXPECT_EQ(device.port_trace().size(), 1u);
}

int g_reads = 0;
short FfThenReady(short) { return static_cast<short>(++g_reads < kEcSilentReads ? 0xFF : 0x00); }
short AlwaysFf(short) { return 0xFF; }
void NoOut(short, short) { ADD_FAILURE() << "a port was written"; }
int DriverOpen() { return 1; }

TEST_F(EcPresenceTest, OnlyEverySingleReadShowingFFCountsAsSilent) {
    {
        ScopedPortIo io({NoOut, FfThenReady, DriverOpen});
        g_reads = 0;
        EXPECT_TRUE(ec_.StatusPortAnswers()) << "an answer in the last read counts";
        EXPECT_EQ(g_reads, kEcSilentReads);
    }
    ScopedPortIo io({NoOut, AlwaysFf, DriverOpen});
    EcChannel elsewhere(EcPorts{.command = 0x66, .data = 0x62});
    EXPECT_FALSE(elsewhere.StatusPortAnswers());
}

TEST_F(EcPresenceTest, TextNamesThePortAsTheEditsShowIt) {
    EXPECT_EQ(EC_SilentPortText(0x3F4), "No EC answers at port 03F4 (status reads FF), not flashed!!");
    EXPECT_EQ(EC_SilentPortText(0x10066), "No EC answers at port 0066 (status reads FF), not flashed!!");
}

}  // namespace
