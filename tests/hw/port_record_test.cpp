// SPDX-License-Identifier: GPL-3.0-or-later
// The record format: runs come back as taken, however many ports, also from a record saved
// while taking went on; a damaged record is refused or stops with an error.

#include <gtest/gtest.h>

#include "hw/port_record.h"

namespace {

std::vector<PortRun> ReadAll(PortRecordReader& reader) {
    std::vector<PortRun> runs;
    for (PortRun run; reader.Next(run);) runs.push_back(run);
    return runs;
}

TEST(PortRecordTest, RunsComeBackAsTakenAndASavedRecordKeepsGrowing) {
    PortRecordWriter writer;
    std::vector<PortRun> expected;
    const auto write = [&](uint16_t port, uint8_t value) {
        writer.Write(port, value);
        expected.push_back({port, value, true, 1});
    };
    const auto reads = [&](uint16_t port, uint8_t value, uint64_t count) {
        for (uint64_t i = 0; i < count; ++i) writer.Read(port, value);
        expected.push_back({port, value, false, count});
    };
    write(0x3F4, 0xDC);
    reads(0x3F4, 0x02, 300);  // a poll: one run
    reads(0x3F4, 0x01, 1);
    reads(0x3F0, 0x33, 1);
    // More ports than a sequence byte names: the slot escape.
    for (uint16_t port = 0x100; port < 0x100 + 130; ++port) reads(port, static_cast<uint8_t>(port), 2);
    const std::string early = writer.Encode({{"argument", "a\nb\\c"}});
    const size_t early_runs = expected.size();
    write(0x1FF, 0x00);
    reads(0x3F4, 0x00, 5);  // still growing when saved

    PortRecordReader reader;
    std::string error;
    ASSERT_TRUE(reader.Open(writer.Encode({{"program", "test"}}), error)) << error;
    EXPECT_EQ(ReadAll(reader), expected);
    EXPECT_EQ(reader.accesses(), 2 + 300 + 2 + 260 + 5u);

    ASSERT_TRUE(reader.Open(early, error)) << error;
    EXPECT_EQ(reader.HeaderValues("argument"), std::vector<std::string>{"a\nb\\c"});
    EXPECT_EQ(ReadAll(reader), std::vector<PortRun>(expected.begin(), expected.begin() + early_runs));
    EXPECT_EQ(reader.error(), "");
}

TEST(PortRecordTest, DamagedRecordsAreRefused) {
    PortRecordWriter writer;
    uint32_t noise = 1;  // flash data: no pattern for the compressor to find
    for (int i = 0; i < 5000; ++i) writer.Read(0x3F0, static_cast<uint8_t>((noise = noise * 1103515245 + 12345) >> 16));
    const std::string whole = writer.Encode({});
    PortRecordReader reader;
    std::string error;
    EXPECT_FALSE(reader.Open("vantu port record 2\n\n", error));
    EXPECT_FALSE(reader.Open(whole.substr(0, whole.size() - 10), error)) << "cut short";
    std::string flipped = whole;
    flipped[flipped.size() - 1000] ^= 0x5A;  // inside the values' stream
    ASSERT_TRUE(reader.Open(flipped, error)) << error;
    ReadAll(reader);
    EXPECT_NE(reader.error(), "");
}

}  // namespace
