// SPDX-License-Identifier: GPL-3.0-or-later
// The checksum tools: the image sum a flash run would compute, and the flash read back
// through follow mode into "LoadRom.bin".

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "failing_stream.h"
#include "flash/checksum_tools.h"
#include "flash/image.h"
#include "hw/ec_channel.h"
#include "platform/clock.h"
#include "sim/in_process.h"
#include "spi/chip_id.h"
#include "spi/verify.h"

namespace {

namespace fs = std::filesystem;

class ChecksumToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vantu-checksum-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        previous_dir_ = fs::current_path();
        fs::current_path(dir_);
    }
    void TearDown() override {
        fs::current_path(previous_dir_);
        fs::remove_all(dir_);
    }

    uint32_t BinSumOf(const std::string& bytes, int* chunks_seen = nullptr) {
        std::ofstream("image.bin", std::ios::binary) << bytes;
        std::FILE* image = std::fopen("image.bin", "rb");
        int chunks = 0;
        const BinChecksumResult summed = BinChecksum(image, [&](uint32_t) { ++chunks; });
        EXPECT_EQ(summed.status, BinChecksumStatus::Done);
        std::fclose(image);
        if (chunks_seen != nullptr) *chunks_seen = chunks;
        return summed.sum;
    }

    std::string Dump() {
        std::ifstream in("LoadRom.bin", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    fs::path dir_;
    fs::path previous_dir_;
    ManualClock clock_{1};
    ScopedClock clock_guard_{clock_};
};

TEST_F(ChecksumToolsTest, BinSumCountsTheFillOfTheLastChunk) {
    struct Case {
        std::string bytes;
        const char* shown;
    };
    const Case cases[] = {
        {std::string(1, '\0'), "16711425"},
        {std::string(128 * 1024, '\xFF'), "33423360"},
    };
    for (const Case& c : cases) EXPECT_EQ(ChecksumText(BinSumOf(c.bytes)), c.shown);
    EXPECT_EQ(ChecksumText(0xFF000000u), "-16777216");  // 16 MiB of 0xFF

    int chunks = -1;
    BinSumOf("", &chunks);
    EXPECT_EQ(chunks, 0);  // an empty file leaves the label as it was
}

TEST_F(ChecksumToolsTest, RomSumReadsWholeChunksOfTheSetSize) {
    struct Case {
        int32_t size_k;
        size_t chunks;
    };
    for (const Case& c : {Case{100, 1}, Case{256, 4}}) {
        sim::Device device;
        for (size_t i = 0; i < 4 * 65536; ++i) device.flash()[i] = static_cast<uint8_t>(i * 7);
        device.EnableEcTrace(true);
        sim::InProcess installed(device);
        const RomChecksumResult result = RomChecksum(EcPorts{}, c.size_k);
        EXPECT_EQ(result.status, RomChecksumStatus::Done) << c.size_k;
        EXPECT_TRUE(result.dump_written);
        const std::string dump = Dump();
        ASSERT_EQ(dump.size(), c.chunks * 65536) << c.size_k;
        uint32_t sum = 0;
        for (size_t i = 0; i < dump.size(); ++i) {
            ASSERT_EQ(static_cast<uint8_t>(dump[i]), device.flash()[i]);
            sum += static_cast<uint8_t>(dump[i]);
        }
        EXPECT_EQ(result.sum, sum);
        EXPECT_EQ(device.ec_trace().back(), (sim::EcEvent{sim::EcEvent::LeaveFollow, 0xFC})) << c.size_k;
    }
}

TEST_F(ChecksumToolsTest, ARunThatDoesNotReadEverythingLeavesTheEarlierDumpAsItWas) {
    std::string earlier(3 * 65536, '\0');
    for (size_t i = 0; i < earlier.size(); ++i) earlier[i] = static_cast<char>(i * 13 + 5);
    struct Case {
        const char* what;
        sim::Config config;
        RomChecksumStatus status;
    };
    sim::Config refusing;
    refusing.flash_mode_reply = 0x00;
    sim::Config stopping;
    stopping.stop_answering_after_commands = 3000;  // part-way through the first chunk
    for (const Case& c : {Case{"refused follow mode", refusing, RomChecksumStatus::AckFail},
                          Case{"EC stops answering", stopping, RomChecksumStatus::Faulted}}) {
        std::ofstream("LoadRom.bin", std::ios::binary) << earlier;
        sim::Device device(c.config);
        sim::InProcess installed(device);
        const RomChecksumResult result = RomChecksum(EcPorts{}, kDefaultRomSizeK);
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_FALSE(result.dump_written) << c.what;
        EXPECT_EQ(Dump(), earlier) << c.what;
        if (c.status == RomChecksumStatus::AckFail) EXPECT_FALSE(device.in_follow_mode()) << "no end command";
        EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1) << c.what;  // no temporary
    }
    sim::Device device;
    sim::InProcess installed(device);
    EXPECT_EQ(RomChecksum(EcPorts{}, kDefaultRomSizeK).status, RomChecksumStatus::Done);
    EXPECT_EQ(Dump().size(), 2u * 65536);
}

TEST_F(ChecksumToolsTest, RomSumLeavesTheChipProtectedBeforeTheEndCommand) {
    sim::Config unprotected;
    unprotected.initial_status = 0x00;  // protection is put back even where it was off
    for (const sim::Config& config : {sim::Config{}, unprotected}) {
        sim::Device device(config);
        device.EnableSpiTrace(true);
        device.EnableEcTrace(true);
        sim::InProcess installed(device);
        const RomChecksumResult result = RomChecksum(EcPorts{}, kDefaultRomSizeK);
        ASSERT_EQ(result.status, RomChecksumStatus::Done);
        EXPECT_EQ(device.chip_status() & 0x3C, 0x0C);
        EXPECT_FALSE(device.in_follow_mode());
        // The last status write is the protecting one, made while the EC still followed.
        const std::vector<sim::SpiTransaction>& spi = device.spi_trace();
        const auto last_write = std::find_if(spi.rbegin(), spi.rend(),
                                             [](const sim::SpiTransaction& t) { return t.out.at(0) == 0x01; });
        ASSERT_NE(last_write, spi.rend());
        EXPECT_EQ(last_write->out, (std::vector<uint8_t>{0x01, 0x0C}));
        EXPECT_EQ(device.ec_trace().back(), (sim::EcEvent{sim::EcEvent::LeaveFollow, 0xFC}));
    }
}

TEST_F(ChecksumToolsTest, PortsOutOfRangeTouchNothing) {
    std::ofstream("LoadRom.bin") << "kept";
    sim::Device device;
    device.EnablePortTrace(true);
    sim::InProcess installed(device);
    for (const auto& [cmd, data] : {std::pair{0x10000, 0xFFFC}, std::pair{0x0003, -1}, std::pair{0x0004, 0}}) {
        EXPECT_EQ(RomChecksum(EcPorts{.command = cmd, .data = data}, kDefaultRomSizeK).status,
                  RomChecksumStatus::PortsRefused);
    }
    EXPECT_TRUE(device.port_trace().empty());
    EXPECT_EQ(Dump(), "kept");
}

TEST_F(ChecksumToolsTest, BinSumOfAnImageNotReadWholeIsNoSum) {
    const std::string image(3 * 65536, '\x11');
    struct Case {
        const char* what;
        size_t fail_at;
        teststream::Failure failure;
    };
    const Case cases[] = {
        {"read error at a chunk boundary", 65536, teststream::Failure::ReadError},
        {"read error at the last chunk boundary", 2 * 65536, teststream::Failure::ReadError},
        {"read error inside a chunk", 65536 + 100, teststream::Failure::ReadError},
        {"data ends short of the measured length", 65536, teststream::Failure::EndsEarly},
    };
    for (const Case& c : cases) {
        std::FILE* stream = teststream::OpenFailingStream(image, c.fail_at, c.failure);
        ASSERT_NE(stream, nullptr);
        EXPECT_EQ(BinChecksum(stream, [](uint32_t) {}).status, BinChecksumStatus::ReadError) << c.what;
        std::fclose(stream);
    }
    std::FILE* whole = teststream::OpenFailingStream(image, image.size());
    const BinChecksumResult summed = BinChecksum(whole, [](uint32_t) {});
    EXPECT_EQ(summed.status, BinChecksumStatus::Done);
    EXPECT_EQ(summed.sum, 3u * 65536 * 0x11);
    std::fclose(whole);
}

TEST_F(ChecksumToolsTest, SizesThatCannotBeReadWholeReadNothingAndKeepTheDump) {
    struct Case {
        int32_t size_k;
        RomChecksumStatus status;
        bool ports_touched;
    };
    // The simulated chip holds 4 MiB: more would read wrapped copies of its start.
    for (const Case& c : {Case{kMaxRomSizeK + 1, RomChecksumStatus::SizeTooLarge, false},
                          Case{63, RomChecksumStatus::SizeTooSmall, false},
                          Case{-64, RomChecksumStatus::SizeTooSmall, false},
                          Case{4096 + 64, RomChecksumStatus::SizeAboveChip, true}}) {
        std::ofstream("LoadRom.bin") << "kept";
        sim::Device device;
        device.EnablePortTrace(true);
        device.EnableSpiTrace(true);
        sim::InProcess installed(device);
        EXPECT_EQ(RomChecksum(EcPorts{}, c.size_k).status, c.status) << c.size_k;
        EXPECT_EQ(!device.port_trace().empty(), c.ports_touched) << c.size_k;
        for (const sim::SpiTransaction& t : device.spi_trace()) EXPECT_NE(t.out.at(0), 0x0B) << "a read began";
        EXPECT_FALSE(device.in_follow_mode());
        EXPECT_EQ(Dump(), "kept") << c.size_k;
    }
    sim::Device device;
    sim::InProcess installed(device);
    // The whole chip is still allowed.
    EXPECT_EQ(RomChecksum(EcPorts{}, 4096).status, RomChecksumStatus::Done);
    EXPECT_EQ(Dump().size(), 4u << 20);
}

TEST_F(ChecksumToolsTest, AnEcThatStopsAnsweringEndsTheReadBack) {
    sim::Config config;
    config.stop_answering_after_commands = 3000;
    sim::Device device(config);
    sim::InProcess installed(device);
    EXPECT_EQ(RomChecksum(EcPorts{}, kDefaultRomSizeK).status, RomChecksumStatus::Faulted);
}

}  // namespace
