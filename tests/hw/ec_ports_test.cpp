// SPDX-License-Identifier: GPL-3.0-or-later
// Port numbers that would not reach the EC as given are refused before any access.

#include <gtest/gtest.h>

#include "hw/ec_channel.h"
#include "hw/ec_ports.h"

namespace {

TEST(EcPortsTest, OnlyPortsThatReachTheHardwareUnchangedAreAccepted) {
    struct Case {
        int64_t cmd;
        int64_t data;
        const char* refused;  // nullptr: accepted
    };
    const Case cases[] = {
        {0x3F4, 0x3F0, nullptr},
        {0x66, 0x62, nullptr},
        {0x0001, 0xFFFF, nullptr},
        {0x10000, 0xFFFC, "EC CMD port 10000 out of range"},  // ACPI PORT 0xFFFC: would wrap to 0x0000
        {0x0004, 0x0000, "EC DATA port 0 out of range"},
        {0x0003, -1, "EC DATA port FFFFFFFF out of range"},  // ACPI PORT 0xFFFFFFFF
        {-4, 0x3F0, "EC CMD port FFFFFFFC out of range"},
        {0x3F4, 0x13F00, "EC DATA port 13F00 out of range"},
    };
    for (const Case& c : cases) {
        const std::string error = EC_PortRangeError(c.cmd, c.data);
        if (c.refused == nullptr)
            EXPECT_EQ(error, "") << std::hex << c.cmd << " " << c.data;
        else
            EXPECT_EQ(error.rfind(c.refused, 0), 0u) << error;
    }
}

}  // namespace
