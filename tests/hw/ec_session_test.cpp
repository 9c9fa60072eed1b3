// SPDX-License-Identifier: GPL-3.0-or-later
// One session with the EC at a time: another thread's work is refused before it touches a
// port, the same thread's nests, and another program's lock refuses with its holder named.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "hw/ec_session.h"
#include "hw/super_io.h"
#include "sim/in_process.h"

namespace {

TEST(EcSessionTest, OneThreadWorksWithTheEcAtATime) {
    const std::string lock_path = ::testing::TempDir() + "vantu_ec_session_" + std::to_string(::getpid()) + ".lock";
    sim::Device device{sim::Config{}};
    const sim::InProcess installed(device);
    const auto on_other_thread = [&](auto work) { std::thread(work).join(); };
    {
        const EcSession first(EcPorts{}, lock_path);
        ASSERT_TRUE(first.open()) << first.RefusalText();
        {
            const EcSession nested(EcPorts{}, lock_path);  // work the session's own work calls
            EXPECT_TRUE(nested.open()) << nested.RefusalText();
        }
        device.ResetCounters();
        on_other_thread([&] {
            const EcSession second(EcPorts{}, lock_path);
            EXPECT_EQ(second.state(), EcSessionState::Busy);
            EXPECT_EQ(second.RefusalText(), kEcSessionBusyText);
            EXPECT_EQ(SIO_ReadChipId(EcPorts{}), 0);
        });
        EXPECT_EQ(device.counters().total(), uint64_t{0}) << "the refused thread touched a port";
    }
    on_other_thread([&] {
        const EcSession after(EcPorts{}, lock_path);
        EXPECT_TRUE(after.open()) << after.RefusalText();
        EXPECT_NE(SIO_ReadChipId(EcPorts{}), 0);
    });
    {
        const SessionLock other_program(lock_path);
        ASSERT_TRUE(other_program.held());
        const EcSession refused(EcPorts{}, lock_path);
        EXPECT_EQ(refused.state(), EcSessionState::Locked);
        EXPECT_NE(refused.RefusalText().find("another program is working with the EC"), std::string::npos)
            << refused.RefusalText();
    }
    std::filesystem::remove(lock_path);
}

}  // namespace
