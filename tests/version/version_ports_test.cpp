// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hw/super_io.h"
#include "version/fw_version.h"
#include "version_test_util.h"

namespace {

using sim::PortOp;
using version_test::SimFixture;
using version_test::VersionSettings;

PortOp W(uint16_t port, uint8_t value) { return PortOp{port, value, true}; }
PortOp R(uint16_t port, uint8_t value) { return PortOp{port, value, false}; }

// The port traffic of one BRAM byte: activate device 0x10, read its base, then index/data.
std::vector<PortOp> BramByteTraffic(uint16_t idx, uint8_t key_last, uint8_t base_reg, uint16_t base,
                                    uint8_t index, uint8_t value) {
    const uint16_t dat = idx + 1;
    const uint8_t high = base >> 8;
    const uint8_t low = base & 0xFF;
    return {W(idx, 0x87), W(idx, 0x01), W(idx, 0x55), W(idx, key_last),
            W(idx, 0x07), W(dat, 0x10), W(idx, 0x30), W(dat, 0x01), W(idx, 0x02), W(dat, 0x02),
            W(idx, 0x87), W(idx, 0x01), W(idx, 0x55), W(idx, key_last),
            W(idx, 0x07), W(dat, 0x10), W(idx, base_reg), R(dat, high),
            W(idx, static_cast<uint8_t>(base_reg + 1)), R(dat, low), W(idx, 0x02), W(dat, 0x02),
            W(base, index), R(static_cast<uint16_t>(base + 1), value)};
}

struct BramCase {
    const char* name;
    uint16_t index_port;
    int bank;
    uint8_t key_last;
    uint8_t base_reg;
};

class BramTraffic : public SimFixture, public testing::WithParamInterface<BramCase> {};

TEST_P(BramTraffic, EveryByteRepeatsTheWholeConfigurationSequence) {
    const BramCase& c = GetParam();
    config_.sio_index_port = c.index_port;
    config_.bram_base = {0x0A40, 0x0B70};
    PutBram(0x10, {0x03, 0x41});
    ports_.sio_index = c.index_port;
    ports_.bram_base_reg = BramBaseRegFor(c.bank);
    sim::Device& device = Start();

    std::string text;
    ASSERT_EQ(FW_ReadVersion(ports_, VersionSettings(1, 0, 0, 0x10), text), FwReadResult::Read);
    EXPECT_EQ(text, "3.65");

    const uint16_t base = config_.bram_base[c.bank];
    std::vector<PortOp> expected = BramByteTraffic(c.index_port, c.key_last, c.base_reg, base, 0x10, 0x03);
    std::vector<PortOp> second = BramByteTraffic(c.index_port, c.key_last, c.base_reg, base, 0x11, 0x41);
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(device.port_trace(), expected);
}

INSTANTIATE_TEST_SUITE_P(Banks, BramTraffic, testing::Values(
    BramCase{"Bank0Port2E", 0x2E, 0, 0x55, 0x60},
    BramCase{"Bank1Port2E", 0x2E, 1, 0x55, 0x62},
    BramCase{"Bank1Port4E", 0x4E, 1, 0xAA, 0x62}),
    [](const testing::TestParamInfo<BramCase>& info) { return std::string(info.param.name); });

class EcSpaceReads : public SimFixture, public testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(EcSpaceReads, OneTransactionPerByte) {
    const auto [read_bytes, expected_reads] = GetParam();
    Start();
    std::string text;
    ASSERT_EQ(FW_ReadVersion(ports_, VersionSettings(0, read_bytes, 0, 0x20), text), FwReadResult::Read);
    EXPECT_EQ(EcReadCommands(), expected_reads);

    // Each transaction writes its own address to the data port.
    std::vector<uint8_t> addresses;
    for (const PortOp& op : device_->port_trace())
        if (op.is_write && op.port == 0x3F0) addresses.push_back(op.value);
    std::vector<uint8_t> expected;
    for (int k = 0; k < expected_reads; ++k) expected.push_back(static_cast<uint8_t>(0x20 + k));
    EXPECT_EQ(addresses, expected);
}

INSTANTIATE_TEST_SUITE_P(ReadBytes, EcSpaceReads, testing::Values(
    std::pair{0, 2}, std::pair{1, 1}, std::pair{2, 2}, std::pair{3, 3}, std::pair{4, 2}, std::pair{-1, 2}));

class VersionRead : public SimFixture {};

TEST_F(VersionRead, ProbeFirstThenReads) {
    Start();
    std::string text;
    ASSERT_EQ(FW_ReadVersion(ports_, VersionSettings(0, 1, 0, 0x20), text), FwReadResult::Read);
    ASSERT_FALSE(device_->ec_trace().empty());
    EXPECT_EQ(device_->ec_trace().front(), (sim::EcEvent{sim::EcEvent::Command, 0x85}));
}

TEST_F(VersionRead, AckFailWhenTheProbeIsNotTaken) {
    config_.stop_answering_after_commands = 0;  // IBF stays set from the probe on
    Start();
    std::string text = "1.10";
    EXPECT_EQ(FW_ReadVersion(ports_, VersionSettings(0, 2, 0, 0x20), text), FwReadResult::AckFail);
    EXPECT_EQ(text, "1.10");
    EXPECT_EQ(EcReadCommands(), 0);
}

TEST_F(VersionRead, EcThatStopsMidReadGivesAckFailNotAPartialText) {
    config_.stop_answering_after_commands = 2;  // the probe and the first read are taken
    PutEcSpace(0x20, {1, 10});
    Start();
    std::string text = "00000";
    EXPECT_EQ(FW_ReadVersion(ports_, VersionSettings(0, 2, 0, 0x20), text), FwReadResult::AckFail);
    EXPECT_EQ(EcReadCommands(), 1);  // the second read command was never taken
    EXPECT_EQ(text, "00000");
}

TEST_F(VersionRead, EcPortsOutOfRangeAreNeverTouched) {
    PutEcSpace(0x20, {1, 10});
    config_.ec_status_port = 0x0000;  // where ACPI PORT 0xFFFC would wrap to
    config_.ec_data_port = 0xFFFC;
    Start();
    ports_ = EcPorts{.command = 0x10000, .data = 0xFFFC};
    std::string text = "00000";
    EXPECT_EQ(FW_ReadVersion(ports_, VersionSettings(0, 2, 0, 0x20), text), FwReadResult::PortsRefused);
    EXPECT_EQ(text, "00000");
    EXPECT_TRUE(device_->port_trace().empty());
}

TEST_F(VersionRead, VersionOnlyRunReadsToo) {
    PutBram(0x20, {4, 2});
    Start();
    UiSettings s = VersionSettings(1, 0, 0, 0x20);
    s.FwVersionShow = 2;
    std::string text;
    EXPECT_EQ(FW_ReadVersion(ports_, s, text), FwReadResult::Read);
    EXPECT_EQ(text, "4.2");
}

class VersionSkipped : public SimFixture, public testing::WithParamInterface<int32_t> {};

TEST_P(VersionSkipped, NoPortAccessAndTextKept) {
    Start();
    for (uint8_t method : {uint8_t{0}, uint8_t{1}}) {
        UiSettings s = VersionSettings(method, 2, 0, 0x20);
        s.FwVersionShow = GetParam();
        std::string text = "00000";
        EXPECT_EQ(FW_ReadVersion(ports_, s, text), FwReadResult::Skipped);
        EXPECT_EQ(text, "00000");
    }
    EXPECT_EQ(device_->counters().total(), 0u);
}

INSTANTIATE_TEST_SUITE_P(FwVersionShow, VersionSkipped, testing::Values(0, 3, -1, 256));

// The bytes read and shown for every source and byte count, end to end through the device.
struct ReadCase {
    const char* name;
    uint8_t read_method;
    int32_t read_bytes;
    int32_t hex_display;
    std::vector<uint8_t> bytes;  // at the start index 0x40
    std::string expected;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class VersionReadAndShow : public SimFixture, public testing::WithParamInterface<ReadCase> {};

TEST_P(VersionReadAndShow, ReadsTheBytesTheFormatNeeds) {
    const ReadCase& c = GetParam();
    for (size_t k = 0; k < c.bytes.size(); ++k) {
        config_.bram[0x40 + k] = c.bytes[k];
        config_.ec_space[0x40 + k] = c.bytes[k];
    }
    config_.bram[0x40 + c.bytes.size()] = 'x';  // the byte after the version is never shown
    config_.ec_space[0x40 + c.bytes.size()] = 0x77;
    Start();
    std::string text = "00000";
    ASSERT_EQ(FW_ReadVersion(ports_, VersionSettings(c.read_method, c.read_bytes, c.hex_display, 0x40), text),
              FwReadResult::Read);
    EXPECT_EQ(text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Sources, VersionReadAndShow, testing::Values(
    ReadCase{"BramTwo", 1, 0, 1, {0x03, 0x41}, "3A"},
    ReadCase{"BramFive", 1, 1, 0, {0x31, 0x32, 0x33, 0x41, 0x42}, "1 2 3 A B"},
    ReadCase{"EcOne", 0, 1, 1, {0x1F}, "1F"},
    ReadCase{"EcTwo", 0, 2, 1, {0x01, 0x0A}, "1.0A"},
    ReadCase{"EcThree", 0, 3, 0, {2, 10, 255}, "2.10.255"}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

class VersionIndex : public SimFixture {};

TEST_F(VersionIndex, EcSpaceWrapsAfter0xFF) {
    PutEcSpace(0xFF, {7});
    PutEcSpace(0x00, {9});
    Start();
    std::string text;
    // Only the low 8 bits of the start index reach the EC.
    ASSERT_EQ(FW_ReadVersion(ports_, VersionSettings(0, 2, 0, 0x1FF), text), FwReadResult::Read);
    EXPECT_EQ(text, "7.9");
}

TEST_F(VersionIndex, BramWrapsAfter0xFF) {
    PutBram(0xFE, {'a', 'b'});
    PutBram(0x00, {'c', 'd', 'e'});
    Start();
    std::string text;
    ASSERT_EQ(FW_ReadVersion(ports_, VersionSettings(1, 1, 0, 0xFE), text), FwReadResult::Read);
    EXPECT_EQ(text, "a b c d e");
}

}  // namespace
