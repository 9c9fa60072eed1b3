// SPDX-License-Identifier: GPL-3.0-or-later
// The version formats as plain tables: bytes in, text out, no device behind them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "version/version_format.h"

namespace {

constexpr VersionSource kBram = VersionSource::Bram;
constexpr VersionSource kEcSpace = VersionSource::EcSpace;

TEST(VersionFormat, ByteCountFollowsSourceAndReadBytes) {
    struct Case {
        VersionSource source;
        int32_t read_bytes;
        int count;
    };
    const Case cases[] = {
        {kBram, 0, 2},    {kBram, 2, 2},    {kBram, 1, 5},    {kBram, 3, 5},    {kBram, -1, 5},
        {kEcSpace, 1, 1}, {kEcSpace, 3, 3}, {kEcSpace, 0, 2}, {kEcSpace, 2, 2}, {kEcSpace, 4, 2},
        {kEcSpace, -1, 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FW_VersionByteCount(c.source, c.read_bytes), c.count)
            << (c.source == kBram ? "BRAM " : "EC space ") << c.read_bytes;
    }
}

TEST(VersionFormat, BytesBecomeTheShownText) {
    struct Case {
        const char* name;
        VersionSource source;
        int32_t hex_display;
        std::vector<uint8_t> bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"BRAM two bytes decimal", kBram, 0, {0x03, 0x41}, "3.65"},
        {"BRAM two bytes hex is dec then char", kBram, 1, {0x03, 0x41}, "3A"},
        {"BRAM any nonzero hex flag", kBram, 7, {0xFF, 0x7A}, "255z"},
        {"BRAM five bytes", kBram, 0, {0x31, 0x32, 0x33, 0x41, 0x42}, "1 2 3 A B"},
        {"BRAM five bytes same with hex", kBram, 1, {0x31, 0x32, 0x33, 0x41, 0x42}, "1 2 3 A B"},
        {"BRAM five bytes with a dot", kBram, 0, {0x56, 0x31, 0x2E, 0x30, 0x35}, "V 1 . 0 5"},
        {"BRAM unprintable bytes", kBram, 0, {0x00, 0x0A, 0x0D, 0x7F, 0x9B}, "? ? ? ? ?"},
        {"BRAM Latin-1 bytes as UTF-8", kBram, 0, {0xE9, 0xA0, 0xFF, 0x20, 0x7E},
         "\xC3\xA9 \xC2\xA0 \xC3\xBF   ~"},
        {"EC one byte decimal", kEcSpace, 0, {0x1F}, "31"},
        {"EC one byte hex", kEcSpace, 1, {0x1F}, "1F"},
        {"EC one byte hex one digit", kEcSpace, 1, {0x05}, "5"},
        {"EC one byte zero", kEcSpace, 1, {0x00}, "0"},
        {"EC two bytes decimal", kEcSpace, 0, {0x01, 0x0A}, "1.10"},
        {"EC two bytes hex two digits", kEcSpace, 1, {0x01, 0x0A}, "1.0A"},
        {"EC two bytes all ones", kEcSpace, 9, {0xFF, 0xFF}, "255.FF"},
        {"EC three bytes", kEcSpace, 0, {2, 10, 255}, "2.10.255"},
        {"EC three bytes hex stays decimal", kEcSpace, 1, {2, 10, 255}, "2.10.255"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FW_FormatVersion(c.source, c.bytes, c.hex_display), c.expected) << c.name;
    }
}

TEST(VersionFormat, ChrNeverYieldsControlCharacters) {
    for (int b = 0; b < 256; ++b) {
        std::string text = FW_ChrText(static_cast<uint8_t>(b));
        ASSERT_FALSE(text.empty());
        for (unsigned char c : text) EXPECT_TRUE(c >= 0x20 && c != 0x7F) << "byte " << b;
    }
}

}  // namespace
