// SPDX-License-Identifier: GPL-3.0-or-later
// Super I/O configuration access: the entry keys, the exact chip-ID sequence and the
// base-address registers of both BRAM banks.

#include <gtest/gtest.h>

#include "hw/port_io.h"
#include "hw/super_io.h"
#include "sim/in_process.h"

namespace {

using sim::PortOp;

PortOp Out(uint16_t port, uint8_t value) { return {port, value, true}; }

std::vector<PortOp> Key(uint16_t index, uint8_t last) {
    return {Out(index, 0x87), Out(index, 0x01), Out(index, 0x55), Out(index, last)};
}

// The trace with every read's value blanked, to compare sequences independent of data.
std::vector<PortOp> Shape(std::vector<PortOp> trace) {
    for (PortOp& op : trace)
        if (!op.is_write) op.value = 0;
    return trace;
}

void Append(std::vector<PortOp>& to, const std::vector<PortOp>& more) { to.insert(to.end(), more.begin(), more.end()); }

TEST(SuperIoTest, ChipIdIsThreeKeysTwoRegistersAndTheExit) {
    struct Case {
        uint16_t index_port;
        uint8_t key_end;
    };
    for (const Case& c : {Case{0x2E, 0x55}, Case{0x4E, 0xAA}}) {
        sim::Config config;
        config.sio_index_port = c.index_port;
        config.chip_id = 0x5A3C;
        sim::Device device(config);
        sim::InProcess installed(device);
        device.EnablePortTrace(true);
        EXPECT_EQ(SIO_ReadChipId(EcPorts{.sio_index = c.index_port}), 0x5A3C);

        const uint16_t data = c.index_port + 1;
        std::vector<PortOp> want = Key(c.index_port, c.key_end);
        Append(want, Key(c.index_port, c.key_end));
        Append(want, {Out(c.index_port, 0x20), {data, 0, false}});
        Append(want, Key(c.index_port, c.key_end));
        Append(want, {Out(c.index_port, 0x21), {data, 0, false}, Out(c.index_port, 0x02), Out(data, 0x02)});
        EXPECT_EQ(Shape(device.port_trace()), want) << std::hex << c.index_port;
    }
}

TEST(SuperIoTest, BramBaseComesFromTheSelectedBank) {
    struct Case {
        int bank;
        uint8_t high_reg;
        uint16_t base;
    };
    for (const Case& c : {Case{0, 0x60, 0x0A40}, Case{1, 0x62, 0x0B80}}) {
        sim::Config config;
        config.bram_base = {0x0A40, 0x0B80};
        sim::Device device(config);
        sim::InProcess installed(device);
        const EcPorts ports{.bram_base_reg = BramBaseRegFor(c.bank)};
        SIO_EnableBram(ports);
        device.EnablePortTrace(true);

        const LdnBase base = SIO_ReadLdnBase(ports, 0x10);
        EXPECT_EQ(base.high * 256 + base.low, c.base);

        std::vector<PortOp> want = Key(0x2E, 0x55);
        Append(want, {Out(0x2E, 0x07), Out(0x2F, 0x10), Out(0x2E, c.high_reg), {0x2F, 0, false},
                      Out(0x2E, static_cast<uint8_t>(c.high_reg + 1)), {0x2F, 0, false}, Out(0x2E, 0x02),
                      Out(0x2F, 0x02)});
        EXPECT_EQ(Shape(device.port_trace()), want) << "bank " << c.bank;
    }
}

TEST(SuperIoTest, ReadRegTouchesNoPortWhileTheLibraryIsClosed) {
    sim::Device device;
    sim::InProcess installed(device);
    device.EnablePortTrace(true);
    g_DriverOpen = false;
    EXPECT_EQ(SIO_ReadReg(EcPorts{}, 0x20), 0);
    EXPECT_TRUE(device.port_trace().empty());
    g_DriverOpen = true;
}

}  // namespace
