// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration file of the simulated device: every key, and the mistakes it refuses.

#include <unistd.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "sim/sim_device.h"

namespace {

class ConfigFileTest : public ::testing::Test {
protected:
    std::string Write(const std::string& text) {
        std::ofstream(path_) << text;
        return path_;
    }
    void TearDown() override { std::remove(path_.c_str()); }

private:
    std::string path_ = ::testing::TempDir() + "sim_config_test_" + std::to_string(::getpid()) + ".cfg";
};

TEST_F(ConfigFileTest, EveryKeyIsRead) {
    const std::string path = Write(
        "# a comment\n"
        "\n"
        "ec_status_port = 0x66\n"
        "ec_data_port=0x62\r\n"
        "ibf_latency=3\n"
        "obf_latency=0x10\n"
        "flash_mode_reply=0x5A\n"
        "chip=sst-legacy\n"
        "flash_size=0x20000\n"
        "initial_status=0x00\n"
        "busy_program=7\n"
        "busy_erase=8\n"
        "busy_status_write=9\n"
        "flash_file=/tmp/some flash.bin\n"
        "sio_index_port=0x4E\n"
        "chip_id=0x5A3C\n"
        "bram_base0=0x0A40\n"
        "bram_base1=0x0C80\n"
        "bram=0x10:0x03, 0x11:0x41\n"
        "ec_space=0xFF:7\n"
        "stop_answering_after_commands=12\n"
        "stuck_ones=0x1234:0x01,0x10:0x80\n"
        "erase_refused=1\n"
        "stuck_busy=true\n"
        "driver_open=0\n"
        "driver_errno=38\n"
        "jedec_id=0xEF4011\n"
        "ec_absent=yes\n"
        "trace_file=/tmp/trace.txt\n");
    sim::Config config;
    std::string error;
    ASSERT_TRUE(sim::LoadConfigFile(path, config, error)) << error;
    EXPECT_EQ(config.ec_status_port, 0x66);
    EXPECT_EQ(config.ec_data_port, 0x62);
    EXPECT_EQ(config.ibf_latency_reads, 3u);
    EXPECT_EQ(config.obf_latency_reads, 16u);
    EXPECT_EQ(config.flash_mode_reply, 0x5A);
    EXPECT_EQ(config.chip, sim::ChipKind::SstLegacy);
    EXPECT_EQ(config.flash_size, 0x20000u);
    EXPECT_EQ(config.initial_status, 0x00);
    EXPECT_EQ(config.busy_reads_program, 7u);
    EXPECT_EQ(config.busy_reads_erase, 8u);
    EXPECT_EQ(config.busy_reads_status_write, 9u);
    EXPECT_EQ(config.flash_file, "/tmp/some flash.bin");
    EXPECT_EQ(config.sio_index_port, 0x4E);
    EXPECT_EQ(config.chip_id, 0x5A3C);
    EXPECT_EQ(config.bram_base[0], 0x0A40);
    EXPECT_EQ(config.bram_base[1], 0x0C80);
    EXPECT_EQ(config.bram[0x10], 0x03);
    EXPECT_EQ(config.bram[0x11], 0x41);
    EXPECT_EQ(config.ec_space[0xFF], 7);
    EXPECT_EQ(config.stop_answering_after_commands, 12);
    EXPECT_EQ(config.stuck_ones, (std::vector<std::pair<uint32_t, uint8_t>>{{0x1234, 0x01}, {0x10, 0x80}}));
    EXPECT_TRUE(config.erase_refused);
    EXPECT_TRUE(config.stuck_busy);
    EXPECT_FALSE(config.driver_open);
    EXPECT_EQ(config.driver_errno, 38);
    EXPECT_EQ(config.jedec_id, (std::array<uint8_t, 3>{0xEF, 0x40, 0x11}));
    EXPECT_TRUE(config.ec_absent);
    EXPECT_EQ(config.trace_file, "/tmp/trace.txt");
}

TEST_F(ConfigFileTest, NoReplyAndNeverStoppingHaveWords) {
    sim::Config config;
    config.stop_answering_after_commands = 4;
    std::string error;
    config.driver_errno = 1;
    ASSERT_TRUE(sim::LoadConfigFile(
                    Write("flash_mode_reply=none\nstop_answering_after_commands=never\ndriver_errno=none\n"), config,
                    error))
        << error;
    EXPECT_EQ(config.flash_mode_reply, std::nullopt);
    EXPECT_EQ(config.stop_answering_after_commands, -1);
    EXPECT_EQ(config.driver_errno, std::nullopt);
}

TEST_F(ConfigFileTest, MistakesAreRefusedWithTheLineAndTheConfigIsLeftAlone) {
    struct Case {
        const char* text;
        const char* message_part;
    };
    const Case cases[] = {
        {"colour=blue\n", ":2: unknown key 'colour'"},
        {"\n\nchip_id\n", ":4: expected key=value"},
        {"chip_id=0x1G\n", "bad value '0x1G' for chip_id"},
        {"chip_id=0x10000\n", "for chip_id"},
        {"chip_id=\n", "for chip_id"},
        {"chip_id=-1\n", "for chip_id"},
        {"flash_mode_reply=0x100\n", "flash_mode_reply"},
        {"chip=unknown\n", "for chip"},
        {"bram=0x10\n", "for bram"},
        {"bram=0x100:1\n", "for bram"},
        {"ec_space=1:2,\n", ""},  // a trailing comma is fine
        {"erase_refused=maybe\n", "erase_refused"},
        {"flash_size=1000\n", "power of two"},
        {"flash_size=0x2000000\n", "power of two"},
        {"ec_data_port=0x3F4\n", "must differ"},
        {"flash_size=4096\nstuck_ones=0x1000:1\n", "outside the flash"},
        {"stop_answering_after_commands=-2\n", "stop_answering_after_commands"},
        {"jedec_id=0x1000000\n", "for jedec_id"},
        {"driver_errno=-1\n", "for driver_errno"},
        // The chip this ID names has 64 KB, too small for the stuck address.
        {"jedec_id=0xEF4010\nstuck_ones=0x10000:1\n", "outside the flash"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        sim::Config config;
        config.chip_id = 0x1111;
        std::string error;
        const bool loaded = sim::LoadConfigFile(Write(std::string("chip_id=0x2222\n") + c.text), config, error);
        if (*c.message_part == '\0') {
            EXPECT_TRUE(loaded) << error;
            continue;
        }
        ASSERT_FALSE(loaded);
        EXPECT_NE(error.find(c.message_part), std::string::npos) << error;
        EXPECT_EQ(config.chip_id, 0x1111) << "nothing taken from a bad file";
    }
}

TEST_F(ConfigFileTest, FlashSizeFollowsTheChipIdUnlessGiven) {
    struct Case {
        const char* text;
        uint32_t size;
    };
    const Case cases[] = {
        {"chip=winbond\n", 4u << 20},                          // EF 40 16
        {"chip=gd\n", 1u << 20},                               // C8 40 14
        {"chip=mx-32\n", 64u << 10},                           // C2 20 10
        {"chip=sst-jedec\n", 16u << 20},                       // BF 25 8E: no capacity in the ID
        {"chip=sst-legacy\n", 16u << 20},                      // answers 0x9F with zeros
        {"chip=winbond\njedec_id=0xEF4011\n", 128u << 10},     // the configured ID counts
        {"chip=winbond\njedec_id=0xEF4018\n", 16u << 20},
        {"chip=winbond\njedec_id=0xEF4019\n", 16u << 20},      // past what the link can address
        {"chip=gd\nflash_size=0x20000\n", 128u << 10},         // a given size wins
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        sim::Config config;
        std::string error;
        ASSERT_TRUE(sim::LoadConfigFile(Write(c.text), config, error)) << error;
        EXPECT_EQ(sim::FlashSizeOf(config), c.size);
        EXPECT_EQ(sim::Device(config).flash().size(), c.size);
    }
}

TEST_F(ConfigFileTest, MissingFileIsAnError) {
    sim::Config config;
    std::string error;
    EXPECT_FALSE(sim::LoadConfigFile("/nonexistent/dir/sim.cfg", config, error));
    EXPECT_NE(error.find("/nonexistent/dir/sim.cfg"), std::string::npos);
}

TEST_F(ConfigFileTest, DeviceRefusesAConfigThatCannotWork) {
    sim::Config config;
    config.flash_size = 3000;
    EXPECT_THROW(sim::Device{config}, std::invalid_argument);
    config.flash_size = 4096;
    config.flash_file = "/nonexistent/dir/flash.bin";
    EXPECT_THROW(sim::Device{config}, std::runtime_error);
}

}  // namespace
