// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "hw/ec_channel.h"
#include "hw/super_io.h"
#include "settings/ec_settings.h"

namespace {

TEST(EcPortsFor, PortsIndexPortAndBankFollowTheRecord) {
    struct Case {
        int32_t acpi_port;
        uint8_t sio_select;
        uint8_t bram_bank;
        int data, command, index, bram_reg;
    };
    const Case cases[] = {
        {0x62, 0, 0, 0x62, 0x66, 0x2E, 0x60},
        {0x3F0, 1, 1, 0x3F0, 0x3F4, 0x4E, 0x62},
        {-1, 1, 0, -1, 3, 0x4E, 0x60},  // the command port wraps like the edit text does
    };
    for (const Case& c : cases) {
        UiSettings s;
        s.AcpiPort = c.acpi_port;
        s.SioSelect = c.sio_select;
        s.BramBank = c.bram_bank;
        EXPECT_EQ(EcPortsFor(s), (EcPorts{.command = c.command, .data = c.data, .sio_index = c.index,
                                          .bram_base_reg = c.bram_reg}));
    }
}

}  // namespace
