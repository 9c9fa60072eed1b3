// SPDX-License-Identifier: GPL-3.0-or-later
// The Super I/O configuration space and the BRAM pairs behind logical device 0x10.

#include <gtest/gtest.h>

#include "sim/sim_device.h"

namespace {

class SuperIoTest : public ::testing::Test {
protected:
    void Key(sim::Device& device, uint16_t index_port, uint8_t last) {
        for (uint8_t value : {uint8_t{0x87}, uint8_t{0x01}, uint8_t{0x55}, last}) device.Out(index_port, value);
    }
    uint8_t ReadReg(sim::Device& device, uint16_t index_port, uint8_t reg) {
        device.Out(index_port, reg);
        return device.In(index_port + 1);
    }
    void WriteReg(sim::Device& device, uint16_t index_port, uint8_t reg, uint8_t value) {
        device.Out(index_port, reg);
        device.Out(index_port + 1, value);
    }
};

TEST_F(SuperIoTest, EachIndexPortHasItsOwnKeyAndOnlyItAnswers) {
    struct Case {
        uint16_t port;
        uint8_t key_end;
        uint16_t other;
        uint8_t other_key_end;
    };
    for (const Case c : {Case{0x2E, 0x55, 0x4E, 0xAA}, Case{0x4E, 0xAA, 0x2E, 0x55}}) {
        SCOPED_TRACE(testing::Message() << std::hex << c.port);
        sim::Config config;
        config.flash_size = 4096;
        config.sio_index_port = c.port;
        config.chip_id = 0x5A3C;
        sim::Device device(config);
        // The other port's key, and the other port, get no answer.
        Key(device, c.port, c.other_key_end);
        EXPECT_EQ(ReadReg(device, c.port, 0x20), 0xFF);
        Key(device, c.other, c.other_key_end);
        EXPECT_EQ(ReadReg(device, c.other, 0x20), 0xFF);
        // The right key, also after a broken attempt.
        device.Out(c.port, 0x87);
        Key(device, c.port, c.key_end);
        EXPECT_EQ(ReadReg(device, c.port, 0x20), 0x5A);
        // Sending the key again while in configuration mode does no harm.
        Key(device, c.port, c.key_end);
        EXPECT_EQ(ReadReg(device, c.port, 0x21), 0x3C);
        WriteReg(device, c.port, 0x02, 0x02);
        EXPECT_EQ(ReadReg(device, c.port, 0x20), 0xFF) << "configuration mode left";
    }
}

TEST_F(SuperIoTest, BramAnswersAtEitherBankBaseOnceActivated) {
    sim::Config config;
    config.flash_size = 4096;
    config.bram_base = {0x0A40, 0x0C80};
    config.bram[0x10] = 0x03;
    config.bram[0x11] = 0x41;
    sim::Device device(config);
    EXPECT_EQ(device.In(0x0A41), 0xFF) << "not yet activated";

    Key(device, 0x2E, 0x55);
    WriteReg(device, 0x2E, 0x07, 0x10);
    WriteReg(device, 0x2E, 0x30, 0x01);
    EXPECT_EQ(ReadReg(device, 0x2E, 0x60), 0x0A);
    EXPECT_EQ(ReadReg(device, 0x2E, 0x61), 0x40);
    EXPECT_EQ(ReadReg(device, 0x2E, 0x62), 0x0C);
    EXPECT_EQ(ReadReg(device, 0x2E, 0x63), 0x80);
    WriteReg(device, 0x2E, 0x02, 0x02);

    for (const uint16_t base : {uint16_t{0x0A40}, uint16_t{0x0C80}}) {
        SCOPED_TRACE(testing::Message() << std::hex << base);
        device.Out(base, 0x10);
        EXPECT_EQ(device.In(base + 1), 0x03);
        device.Out(base, 0x11);
        EXPECT_EQ(device.In(base + 1), 0x41);
    }
}

TEST_F(SuperIoTest, BaseRegistersBelongToLogicalDevice0x10) {
    sim::Config config;
    config.flash_size = 4096;
    sim::Device device(config);
    Key(device, 0x2E, 0x55);
    WriteReg(device, 0x2E, 0x07, 0x04);
    EXPECT_EQ(ReadReg(device, 0x2E, 0x60), 0x00);
    WriteReg(device, 0x2E, 0x30, 0x01);
    EXPECT_EQ(device.In(0x0A41), 0xFF) << "activating another device leaves BRAM off";
}

TEST_F(SuperIoTest, UnknownPortsReadAllOnesAndIgnoreWrites) {
    sim::Config config;
    config.flash_size = 4096;
    sim::Device device(config);
    for (const uint16_t port : {uint16_t{0x0000}, uint16_t{0x0080}, uint16_t{0x03F8}, uint16_t{0xFFFF}}) {
        device.Out(port, 0x00);
        EXPECT_EQ(device.In(port), 0xFF) << std::hex << port;
    }
    EXPECT_EQ(device.counters().other, 8u);
}

}  // namespace
