#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "version/fw_version.h"
#include "version_test_util.h"

namespace {

using version_test::SimFixture;
using version_test::VersionSettings;

constexpr uint8_t kBram = 1;
constexpr uint8_t kEcSpace = 0;

struct FormatCase {
    const char* name;
    uint8_t read_method;
    int32_t read_bytes;
    int32_t hex_display;
    std::vector<uint8_t> bytes;  // at the start index 0x40
    std::string expected;
};

class VersionFormat : public SimFixture, public testing::WithParamInterface<FormatCase> {};

TEST_P(VersionFormat, ReadsAndFormats) {
    const FormatCase& c = GetParam();
    for (size_t k = 0; k < c.bytes.size(); ++k) {
        config_.bram[0x40 + k] = c.bytes[k];
        config_.ec_space[0x40 + k] = c.bytes[k];
    }
    Start();
    std::string text = "00000";
    ASSERT_EQ(FW_ReadVersion(VersionSettings(c.read_method, c.read_bytes, c.hex_display, 0x40), text),
              FwReadResult::Read);
    EXPECT_EQ(text, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Bram, VersionFormat, testing::Values(
    FormatCase{"TwoBytesDecimal", kBram, 0, 0, {0x03, 0x41}, "3.65"},
    FormatCase{"TwoBytesHexIsDecThenChar", kBram, 0, 1, {0x03, 0x41}, "3A"},
    FormatCase{"ReadBytesTwoIsTwoBytes", kBram, 2, 0, {0x03, 0x41, 0x42}, "3.65"},
    FormatCase{"AnyNonzeroHexFlag", kBram, 2, 7, {0xFF, 0x7A}, "255z"},
    FormatCase{"FiveBytes", kBram, 1, 0, {0x31, 0x32, 0x33, 0x41, 0x42}, "1 2 3 A B"},
    FormatCase{"FiveBytesSameWithHex", kBram, 1, 1, {0x31, 0x32, 0x33, 0x41, 0x42}, "1 2 3 A B"},
    FormatCase{"OtherReadBytesIsFive", kBram, 3, 0, {0x56, 0x31, 0x2E, 0x30, 0x35}, "V 1 . 0 5"},
    FormatCase{"NegativeReadBytesIsFive", kBram, -1, 0, {0x41, 0x42, 0x43, 0x44, 0x45}, "A B C D E"},
    FormatCase{"UnprintableBytesBecomeQuestionMarks", kBram, 1, 0, {0x00, 0x0A, 0x0D, 0x7F, 0x9B}, "? ? ? ? ?"},
    FormatCase{"LatinOneBytesAsUtf8", kBram, 1, 0, {0xE9, 0xA0, 0xFF, 0x20, 0x7E}, "\xC3\xA9 \xC2\xA0 \xC3\xBF   ~"}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(EcSpace, VersionFormat, testing::Values(
    FormatCase{"OneByteDecimal", kEcSpace, 1, 0, {0x1F}, "31"},
    FormatCase{"OneByteHex", kEcSpace, 1, 1, {0x1F}, "1F"},
    FormatCase{"OneByteHexOneDigit", kEcSpace, 1, 1, {0x05}, "5"},
    FormatCase{"OneByteZero", kEcSpace, 1, 1, {0x00}, "0"},
    FormatCase{"TwoBytesDecimal", kEcSpace, 2, 0, {0x01, 0x0A}, "1.10"},
    FormatCase{"TwoBytesHexTwoDigits", kEcSpace, 2, 1, {0x01, 0x0A}, "1.0A"},
    FormatCase{"ReadBytesZeroIsTwo", kEcSpace, 0, 0, {0x01, 0x0A, 0x09}, "1.10"},
    FormatCase{"OtherReadBytesIsTwo", kEcSpace, 9, 1, {0xFF, 0xFF}, "255.FF"},
    FormatCase{"ThreeBytes", kEcSpace, 3, 0, {2, 10, 255}, "2.10.255"},
    FormatCase{"ThreeBytesHexStaysDecimal", kEcSpace, 3, 1, {2, 10, 255}, "2.10.255"}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

class VersionIndex : public SimFixture {};

TEST_F(VersionIndex, EcSpaceWrapsAfter0xFF) {
    PutEcSpace(0xFF, {7});
    PutEcSpace(0x00, {9});
    Start();
    std::string text;
    // Only the low 8 bits of the start index reach the EC.
    ASSERT_EQ(FW_ReadVersion(VersionSettings(kEcSpace, 2, 0, 0x1FF), text), FwReadResult::Read);
    EXPECT_EQ(text, "7.9");
}

TEST_F(VersionIndex, BramWrapsAfter0xFF) {
    PutBram(0xFE, {'a', 'b'});
    PutBram(0x00, {'c', 'd', 'e'});
    Start();
    std::string text;
    ASSERT_EQ(FW_ReadVersion(VersionSettings(kBram, 1, 0, 0xFE), text), FwReadResult::Read);
    EXPECT_EQ(text, "a b c d e");
}

TEST(VersionChr, NeverYieldsControlCharacters) {
    for (int b = 0; b < 256; ++b) {
        std::string text = FW_ChrText(static_cast<uint8_t>(b));
        ASSERT_FALSE(text.empty());
        for (unsigned char c : text) EXPECT_TRUE(c >= 0x20 && c != 0x7F) << "byte " << b;
    }
}

}  // namespace
