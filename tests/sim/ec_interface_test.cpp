// SPDX-License-Identifier: GPL-3.0-or-later
// The host interface: IBF/OBF with latency, the commands outside follow mode, leaving
// follow mode, an EC that stops answering. Each runs directly and through the IO seam.

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "sim/in_process.h"
#include "sim_host.h"

namespace {

using sim::EcEvent;
using simtest::SimHost;

enum class Route { Direct, Seam };

class EcInterfaceTest : public ::testing::TestWithParam<Route> {
protected:
    void Start(const sim::Config& config) {
        // Guards end in the reverse order of their start.
        host_.reset();
        seam_.reset();
        device_ = std::make_unique<sim::Device>(config);
        device_->EnableEcTrace(true);
        if (GetParam() == Route::Seam) {
            seam_ = std::make_unique<sim::InProcess>(*device_);
            host_ = std::make_unique<SimHost>(config.ec_status_port, config.ec_data_port);
        } else {
            host_ = std::make_unique<SimHost>(*device_);
        }
    }
    sim::Device& device() { return *device_; }
    SimHost& host() { return *host_; }

private:
    std::unique_ptr<sim::Device> device_;
    std::unique_ptr<sim::InProcess> seam_;
    std::unique_ptr<SimHost> host_;
};

INSTANTIATE_TEST_SUITE_P(Routes, EcInterfaceTest, ::testing::Values(Route::Direct, Route::Seam),
                         [](const auto& info) { return info.param == Route::Direct ? "Direct" : "Seam"; });

TEST_P(EcInterfaceTest, IbfAndObfFollowTheirLatencies) {
    struct Case {
        uint32_t ibf;
        uint32_t obf;
    };
    for (const Case c : {Case{0, 0}, Case{1, 0}, Case{3, 2}, Case{0, 4}}) {
        SCOPED_TRACE(testing::Message() << "ibf " << c.ibf << " obf " << c.obf);
        sim::Config config = simtest::SmallConfig();
        config.ibf_latency_reads = c.ibf;
        config.obf_latency_reads = c.obf;
        config.ec_status_port = 0x66;
        config.ec_data_port = 0x62;
        Start(config);
        host().Out(0x66, 0xDC);
        for (uint32_t read = 1; read <= 6; ++read) {
            const uint8_t status = host().In(0x66);
            EXPECT_EQ((status & 0x02) != 0, read <= c.ibf) << "read " << read;
            EXPECT_EQ((status & 0x01) != 0, read > c.obf) << "read " << read;
        }
        EXPECT_EQ(host().In(0x62), 0x33);
        EXPECT_EQ(host().In(0x66) & 0x01, 0) << "reading the data port takes the byte";
    }
}

TEST_P(EcInterfaceTest, WritesBeforeIbfWasSeenClearAreCountedAsOverruns) {
    sim::Config config = simtest::SmallConfig();
    config.ibf_latency_reads = 2;
    Start(config);
    host().Out(0x3F4, 0x85);
    host().In(0x3F4);         // still shows IBF set
    host().Out(0x3F0, 0x01);  // too early
    EXPECT_EQ(device().counters().ibf_overruns, 1u);
    for (int read = 0; read < 10 && (host().In(0x3F4) & 0x02) != 0; ++read) {
    }
    host().Out(0x3F4, 0x85);  // after IBF was seen clear
    EXPECT_EQ(device().counters().ibf_overruns, 1u);
}

TEST_P(EcInterfaceTest, DataReadBeforeTheReplyIsPlacedGetsTheOldByte) {
    sim::Config config = simtest::SmallConfig();
    config.obf_latency_reads = 2;
    Start(config);
    host().Out(0x3F4, 0xDC);
    EXPECT_EQ(host().In(0x3F0), 0x00);
    uint8_t ack = 0;
    ASSERT_TRUE(host().WaitObf());
    ack = host().In(0x3F0);
    EXPECT_EQ(ack, 0x33);
}

TEST_P(EcInterfaceTest, FollowModeReplyIsConfigurable) {
    struct Case {
        std::optional<uint8_t> reply;
        bool seen;
    };
    for (const Case c : {Case{0x33, true}, Case{0x5A, true}, Case{std::nullopt, false}}) {
        sim::Config config = simtest::SmallConfig();
        config.flash_mode_reply = c.reply;
        Start(config);
        uint8_t ack = 0xEE;
        EXPECT_EQ(host().EnterFollow(ack), c.seen);
        if (c.reply) {
            EXPECT_EQ(ack, *c.reply);
        }
        EXPECT_TRUE(device().in_follow_mode());
        EXPECT_EQ(device().ec_trace(), (std::vector<EcEvent>{{EcEvent::EnterFollow, 0xDC}}));
    }
}

TEST_P(EcInterfaceTest, AcknowledgeProbeClearsIbfAndSendsNothingBack) {
    sim::Config config = simtest::SmallConfig();
    config.ibf_latency_reads = 2;
    Start(config);
    EXPECT_TRUE(host().WriteCmd(0x85));
    for (int i = 0; i < 10; ++i) EXPECT_EQ(host().Status() & 0x01, 0);
    EXPECT_FALSE(device().in_follow_mode());
    EXPECT_EQ(device().ec_trace(), (std::vector<EcEvent>{{EcEvent::Command, 0x85}}));
}

TEST_P(EcInterfaceTest, SpaceReadAnswersTheIndexWrittenToTheDataPort) {
    sim::Config config = simtest::SmallConfig();
    config.ec_space[0x10] = 0x41;
    config.ec_space[0x11] = 0x07;
    config.ec_space[0xFF] = 0x99;
    Start(config);
    for (const auto& [index, expected] : {std::pair<uint8_t, uint8_t>{0x10, 0x41}, {0x11, 0x07},
                                         {0xFF, 0x99}, {0x00, 0x00}}) {
        host().WriteCmd(0x80);
        host().WriteData(index);
        EXPECT_EQ(host().ReadData(), expected) << "index " << int(index);
    }
    // A data byte without a 0x80 before it is no index.
    host().WriteData(0x10);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(host().Status() & 0x01, 0);
}

TEST_P(EcInterfaceTest, EndCommandLeavesFollowModeButOperandsDoNot) {
    Start(simtest::SmallConfig());
    uint8_t ack;
    ASSERT_TRUE(host().EnterFollow(ack));
    host().Opcode(0xFC);  // an operand byte, not a command
    host().Write(0xFE);
    EXPECT_TRUE(device().in_follow_mode());
    host().WriteCmd(0xFC);
    EXPECT_FALSE(device().in_follow_mode());
    EXPECT_EQ(device().ec_trace(),
              (std::vector<EcEvent>{{EcEvent::EnterFollow, 0xDC}, {EcEvent::LeaveFollow, 0xFC}}));
    // Outside follow mode the link commands are plain EC commands: 4 shifts nothing in.
    host().WriteCmd(4);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(host().Status() & 0x01, 0);
}

TEST_P(EcInterfaceTest, DataWritesInFollowModeAreIgnored) {
    Start(simtest::SmallConfig());
    uint8_t ack;
    ASSERT_TRUE(host().EnterFollow(ack));
    host().WriteData(0x06);
    EXPECT_TRUE(device().in_follow_mode());
    EXPECT_EQ(device().ec_trace().back(), (EcEvent{EcEvent::FollowDataWrite, 0x06}));
    EXPECT_EQ(device().chip_status() & 0x02, 0);
}

TEST_P(EcInterfaceTest, EcThatStopsAnsweringKeepsIbfSetAndTakesNothing) {
    for (const int64_t taken : {0, 1, 3}) {
        sim::Config config = simtest::SmallConfig();
        config.stop_answering_after_commands = taken;
        Start(config);
        for (int64_t i = 0; i < taken; ++i) EXPECT_TRUE(host().WriteCmd(0x85));
        host().Out(0x3F4, 0xDC);
        for (int i = 0; i < 100; ++i) ASSERT_EQ(host().Status() & 0x02, 0x02) << "read " << i;
        host().Out(0x3F0, 0x00);
        EXPECT_EQ(host().Status() & 0x03, 0x02);
        EXPECT_FALSE(device().in_follow_mode());
        EXPECT_EQ(device().ec_trace().size(), static_cast<size_t>(taken));
    }
}

TEST_P(EcInterfaceTest, CountersSortAccessesByKind) {
    Start(simtest::SmallConfig());
    host().WriteCmd(0x85);  // status, command, status
    host().WriteCmd(0xDC);
    host().ReadData();       // status, data
    host().In(0x80);         // unknown port
    const sim::PortCounters& counters = device().counters();
    EXPECT_EQ(counters.status_reads, 5u);
    EXPECT_EQ(counters.command_writes, 2u);
    EXPECT_EQ(counters.data_reads, 1u);
    EXPECT_EQ(counters.other, 1u);
    EXPECT_EQ(counters.total(), 9u);
    device().ResetCounters();
    EXPECT_EQ(device().counters().total(), 0u);
}

TEST_P(EcInterfaceTest, PortTraceRecordsEveryAccessOnlyWhileOn) {
    Start(simtest::SmallConfig());
    host().WriteCmd(0x85);
    EXPECT_TRUE(device().port_trace().empty());
    device().EnablePortTrace(true);
    host().WriteCmd(0x85);
    host().In(0x1234);
    EXPECT_EQ(device().port_trace(), (std::vector<sim::PortOp>{{0x3F4, 0x00, false},
                                                               {0x3F4, 0x85, true},
                                                               {0x3F4, 0x00, false},
                                                               {0x1234, 0xFF, false}}));
    device().ClearTraces();
    EXPECT_TRUE(device().port_trace().empty());
    EXPECT_TRUE(device().ec_trace().empty());
}

TEST_P(EcInterfaceTest, AbsentEcReadsFFAndTakesNothing) {
    sim::Config config = simtest::SmallConfig();
    config.ec_absent = true;
    Start(config);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(host().In(config.ec_status_port), 0xFF);
        EXPECT_EQ(host().In(config.ec_data_port), 0xFF);
    }
    host().Out(config.ec_status_port, 0xDC);
    EXPECT_FALSE(device().in_follow_mode());
    EXPECT_TRUE(device().ec_trace().empty());
    EXPECT_EQ(host().In(0x2F), 0xFF);  // other ports are the device's as before
}

}  // namespace
