// SPDX-License-Identifier: GPL-3.0-or-later
// A run recorded at the seam and played back by the device: the same program gets the same
// answers, a program with one access more is stopped at that access.

#include <gtest/gtest.h>

#include <functional>

#include "hw/ec_channel.h"
#include "hw/port_io.h"
#include "hw/port_recording.h"
#include "hw/super_io.h"
#include "platform/clock.h"
#include "scratch_dir.h"
#include "sim/in_process.h"
#include "sim_host.h"

namespace {

struct Answers {
    uint16_t superio_id = 0;
    uint8_t ack = 0;
    bool followed = false;
    bool released = false;
    bool faulted = false;
};

// A small session: the Super I/O ID, follow mode, the end command; `between` runs after the ID.
Answers Session(const std::function<void()>& between) {
    Answers answers;
    answers.superio_id = SIO_ReadChipId(EcPorts{});
    between();
    EcChannel ec;
    const FollowModeReply reply = ec.RequestFollowMode();
    answers.ack = reply.byte;
    answers.followed = reply.entered();
    answers.released = ec.WriteCmd(0xFC);
    answers.faulted = ec.faulted();
    return answers;
}

TEST(ReplayTest, SameProgramSameAnswersAndAnExtraAccessIsNamed) {
    testdir::ScratchDir dir("replay");
    const std::string record = (dir.path() / "run.rec").string();
    ManualClock clock(1);
    const ScopedClock time(clock);

    sim::Config config = simtest::SmallConfig();
    config.chip_id = 0x5A3C;
    uint64_t accesses_before_planted = 0;
    {
        sim::Device device(config);
        sim::InProcess seam(device);
        PortRecording recording(record);
        device.EnablePortTrace(true);
        const Answers live = Session([&] { accesses_before_planted = device.port_trace().size(); });
        ASSERT_TRUE(live.followed && live.released);
        std::string error;
        ASSERT_TRUE(recording.Save({}, error)) << error;
    }

    // The answers come from the record: the model behind it would say 8987.
    sim::Config replaying = simtest::SmallConfig();
    replaying.replay_file = record;
    {
        sim::Device device(replaying);
        sim::InProcess seam(device);
        const Answers again = Session([] {});
        EXPECT_EQ(again.superio_id, 0x5A3C);
        EXPECT_TRUE(again.followed && again.released);
        EXPECT_EQ(device.replay_divergence(), "");
    }
    {
        sim::Device device(replaying);
        sim::InProcess seam(device);
        const Answers planted = Session([] { IO_Out(0x3F0, 0x12); });
        EXPECT_EQ(device.replay_divergence(),
                  "replay stopped at access " + std::to_string(accesses_before_planted + 1) +
                      ": the program wrote 0x12 to port 0x03F0, the record has a read of port 0x03F4 that "
                      "answered 0x00");
        // Nothing answers after it: the program's bounds end the session as a failure.
        EXPECT_FALSE(planted.followed);
        EXPECT_FALSE(planted.released);
        EXPECT_TRUE(planted.faulted);
    }
}

}  // namespace
