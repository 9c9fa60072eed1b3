// SPDX-License-Identifier: GPL-3.0-or-later
// The EC channel against the simulated EC: exact port traffic of the handshakes, the
// one-second limits of follow-mode entry and the acknowledge probe, and the bounds that
// end the untimed waits when the EC stops answering.

#include <gtest/gtest.h>

#include "hw/ec_channel.h"
#include "hw/hw_fault.h"
#include "hw/ec_channel.h"
#include "platform/clock.h"
#include "sim/in_process.h"

namespace {

using sim::PortOp;

constexpr uint16_t kStatus = 0x3F4;
constexpr uint16_t kData = 0x3F0;

PortOp Read(uint16_t port, uint8_t value) { return {port, value, false}; }
PortOp Write(uint16_t port, uint8_t value) { return {port, value, true}; }

size_t CountStatusReads(const std::vector<PortOp>& trace) {
    size_t reads = 0;
    for (const PortOp& op : trace) reads += (!op.is_write && op.port == kStatus) ? 1 : 0;
    return reads;
}

class EcChannelTest : public ::testing::Test {
protected:
    void Start(const sim::Config& config = sim::Config{}) {
        installed_.reset();
        device_ = std::make_unique<sim::Device>(config);
        installed_ = std::make_unique<sim::InProcess>(*device_);
        device_->EnablePortTrace(true);
    }
    void SetUp() override {
        ec_ = EcChannel(EcPorts{.command = kStatus, .data = kData});
    }

    ManualClock clock_{1};  // never frozen: a wait that misses its answer still ends
    ScopedClock clock_guard_{clock_};
    std::unique_ptr<sim::Device> device_;
    std::unique_ptr<sim::InProcess> installed_;
    EcChannel ec_;
};

TEST_F(EcChannelTest, WriteCmdWithIbfClearIsReadWriteRead) {
    Start();
    EXPECT_TRUE(ec_.WriteCmd(0x85));
    const std::vector<PortOp>& trace = device_->port_trace();
    ASSERT_EQ(trace.size(), 3u);
    EXPECT_FALSE(trace[0].is_write);
    EXPECT_EQ(trace[0].port, kStatus);
    EXPECT_EQ(trace[1], Write(kStatus, 0x85));
    EXPECT_FALSE(trace[2].is_write);
    EXPECT_EQ(trace[2].port, kStatus);
}

TEST_F(EcChannelTest, HandshakesWaitForTheEcToTakeAndHandOverBytes) {
    sim::Config config;
    config.ibf_latency_reads = 3;
    config.obf_latency_reads = 2;
    config.ec_space[0x42] = 0x5A;
    Start(config);

    EXPECT_TRUE(ec_.WriteCmd(0x80));
    EXPECT_TRUE(ec_.WriteData(0x42));
    EXPECT_EQ(ec_.ReadData(), 0x5A);
    EXPECT_FALSE(ec_.faulted());
    // Nothing but the three transfers reached the data and command ports.
    std::vector<PortOp> transfers;
    for (const PortOp& op : device_->port_trace())
        if (op.is_write || op.port == kData) transfers.push_back(op);
    EXPECT_EQ(transfers, (std::vector<PortOp>{Write(kStatus, 0x80), Write(kData, 0x42), Read(kData, 0x5A)}));
}

TEST_F(EcChannelTest, EnterFlashModeKeepsWhateverTheEcAnswered) {
    struct Case {
        std::optional<uint8_t> reply;
        bool entered;
        uint8_t ack;
    };
    for (const Case& c : {Case{0x33, true, 0x33}, Case{0x5A, false, 0x5A}}) {
        sim::Config config;
        config.flash_mode_reply = c.reply;
        Start(config);
        const FollowModeReply reply = ec_.RequestFollowMode();
        EXPECT_EQ(reply.entered(), c.entered);
        EXPECT_EQ(reply.byte, c.ack);
        const std::vector<PortOp>& trace = device_->port_trace();
        EXPECT_EQ(std::count(trace.begin(), trace.end(), Write(kStatus, 0xDC)), 1);
        EXPECT_EQ(trace.back(), Read(kData, c.ack));
    }
}

TEST_F(EcChannelTest, NoReplyEndsOnlyAfterMoreThanOneSecond) {
    // Each clock reading advances by `step`; the reply wait reads the status once per reading.
    struct Case {
        uint32_t step_ms;
        size_t reply_polls;
    };
    for (const Case& c : {Case{500, 3}, Case{1000, 2}, Case{1001, 1}}) {
        sim::Config config;
        config.flash_mode_reply = std::nullopt;
        Start(config);
        clock_.SetStep(c.step_ms);
        EXPECT_FALSE(ec_.RequestFollowMode().answered);
        // Two timed IBF waits that succeed at once, then the reply polls.
        EXPECT_EQ(CountStatusReads(device_->port_trace()), 2 + c.reply_polls) << "step " << c.step_ms;
        const std::vector<PortOp>& trace = device_->port_trace();
        EXPECT_EQ(std::count_if(trace.begin(), trace.end(), [](const PortOp& op) { return op.port == kData; }), 0)
            << "a byte without OBF is stale, never the answer";
    }
}

TEST_F(EcChannelTest, ProbeAckTimesOutAndAStuckEcStillGetsTheFlashRequest) {
    sim::Config config;
    config.stop_answering_after_commands = 0;  // IBF stays set once the first command is written
    Start(config);
    clock_.SetStep(100);
    EXPECT_FALSE(ec_.ProbeAck());

    device_->ClearTraces();
    EXPECT_FALSE(ec_.RequestFollowMode().entered());
    const std::vector<PortOp>& trace = device_->port_trace();
    const auto dc = std::find(trace.begin(), trace.end(), Write(kStatus, 0xDC));
    ASSERT_NE(dc, trace.end());
    // The first timed wait ran out (ten or more readings at 100 ms) before the byte went out.
    EXPECT_GE(std::count_if(trace.begin(), dc, [](const PortOp& op) { return !op.is_write; }), 10);
}

TEST_F(EcChannelTest, ProbeAckSucceedsWhenTheEcTakesTheCommand) {
    Start();
    EXPECT_TRUE(ec_.ProbeAck());
    EXPECT_EQ(CountStatusReads(device_->port_trace()), 2u);
}

TEST_F(EcChannelTest, AnEcThatStopsAnsweringEndsTheHandshakeInItsBound) {
    sim::Config config;
    config.stop_answering_after_commands = 1;
    Start(config);
    clock_.SetStep(10);
    EXPECT_TRUE(ec_.WriteCmd(0x01));
    const uint32_t before = clock_.TickMs();
    EXPECT_FALSE(ec_.WriteCmd(0x02));
    EXPECT_EQ(ec_.fault(), HwFault::EcNotAnswering);
    const uint32_t waited = clock_.TickMs() - before;
    EXPECT_GT(waited, kEcHandshakeBoundMs);
    EXPECT_LT(waited, kEcHandshakeBoundMs + 100);

    // Once faulted, the channel touches no port at all.
    device_->ClearTraces();
    EXPECT_FALSE(ec_.WriteCmd(0x05));
    EXPECT_FALSE(ec_.WriteData(0x05));
    EXPECT_EQ(ec_.ReadData(), 0x00);
    EXPECT_TRUE(device_->port_trace().empty());
}

TEST_F(EcChannelTest, ReadDataWithoutAReplyEndsInTheBound) {
    Start();
    clock_.SetStep(50);
    EXPECT_EQ(ec_.ReadData(), 0x00);
    EXPECT_EQ(ec_.fault(), HwFault::EcNotAnswering);
    for (const PortOp& op : device_->port_trace()) EXPECT_EQ(op.port, kStatus);
}

}  // namespace
