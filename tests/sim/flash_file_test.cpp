// SPDX-License-Identifier: GPL-3.0-or-later
// Flash contents in a file: what a device writes is in the file when its process ends
// through exit(), with no flush and no destructor run.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef _WIN32
#include "child_process.h"
#endif
#include "scratch_dir.h"
#include "sim_host.h"

namespace {

class FlashFileTest : public ::testing::Test {
protected:
    std::vector<uint8_t> FileBytes() {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    sim::Config FileConfig() {
        sim::Config config = simtest::SmallConfig();
        config.flash_size = 4096;
        config.flash_file = path_;
        return config;
    }
    // Shared with the death-test child, which must write the file this test reads.
    testdir::ScratchDir scratch_{"vantu-sim-flash", "VANTU_TEST_SCRATCH"};
    std::string path_ = scratch_.File("flash.bin");
};

TEST_F(FlashFileTest, NewFileIsSizedAndErased) {
    { sim::Device device(FileConfig()); }
    EXPECT_EQ(FileBytes(), std::vector<uint8_t>(4096, 0xFF));
}

TEST_F(FlashFileTest, ProgrammedBytesOutliveTheProcessEndingThroughExit) {
    const auto program_and_exit = [&] {
        // Never destroyed: exit() runs no destructor of a heap object (kept reachable
        // from a static, so leak checkers do not count it).
        static sim::Device* device = nullptr;
        device = new sim::Device(FileConfig());
        simtest::SimHost host(*device);
        uint8_t ack;
        host.EnterFollow(ack);
        host.PageProgram(0x100, {0x12, 0x34, 0x56});
        std::exit(device->flash()[0x101] == 0x34 ? 7 : 1);
    };
    ASSERT_EXIT(program_and_exit(), ::testing::ExitedWithCode(7), "");
    const auto bytes = FileBytes();
    ASSERT_EQ(bytes.size(), 4096u);
    EXPECT_EQ(bytes[0x0FF], 0xFF);
    EXPECT_EQ(bytes[0x100], 0x12);
    EXPECT_EQ(bytes[0x101], 0x34);
    EXPECT_EQ(bytes[0x102], 0x56);
    EXPECT_EQ(bytes[0x103], 0xFF);
}

TEST_F(FlashFileTest, ExistingFileKeepsItsBytesAndGrowsErased) {
    std::vector<uint8_t> old(2048, 0x00);
    old[5] = 0x55;
    std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(old.data()), old.size());
    {
        sim::Device device(FileConfig());
        EXPECT_EQ(device.flash()[5], 0x55);
        EXPECT_EQ(device.flash()[2047], 0x00);
        EXPECT_EQ(device.flash()[2048], 0xFF);
    }
    EXPECT_EQ(FileBytes().size(), 4096u);
}

#ifndef _WIN32
// The file lock that keeps two fills apart is the POSIX one.
TEST_F(FlashFileTest, TwoProcessesShareOneFlash) {
    sim::Device device(FileConfig());
    simtest::SimHost host(device);
    uint8_t ack;
    host.EnterFollow(ack);
    host.PageProgram(0x100, {0x12});
    // A second program run on the same flash: it finds the first one's byte, and what it
    // programs is in the first one's flash at once.
    const int status = simtest::RunInChild([&] {
        static sim::Device* second = nullptr;
        second = new sim::Device(FileConfig());
        simtest::SimHost second_host(*second);
        uint8_t second_ack;
        second_host.EnterFollow(second_ack);
        second_host.PageProgram(0x200, {0x34});
        return second->flash()[0x100] == 0x12 ? 7 : 1;
    });
    ASSERT_EQ(status, 7) << "the second process filled over the first one's byte";
    EXPECT_EQ(device.flash()[0x200], 0x34);
    EXPECT_EQ(device.flash()[0x100], 0x12);
}
#endif

}  // namespace
