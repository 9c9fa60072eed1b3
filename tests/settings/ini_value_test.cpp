// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "settings/settings_file.h"

namespace {

// Reads every value of `bytes` in turn, as many as asked.
std::vector<std::string> Values(const std::string& bytes, int count) {
    std::FILE* file = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    std::vector<std::string> values;
    for (int i = 0; i < count; ++i) values.push_back(ReadIniValue(file));
    std::fclose(file);
    return values;
}

struct LineCase {
    const char* name;
    std::string line;
    std::string value;
};

class IniValueLine : public testing::TestWithParam<LineCase> {};

TEST_P(IniValueLine, GivesTheValue) {
    EXPECT_EQ(Values(GetParam().line, 1).front(), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(ByteRules, IniValueLine, testing::Values(
    LineCase{"KeyValueCrLf", "ACPI PORT=0x62\r\n", "0x62"},
    LineCase{"EmptyValue", "BinName=\r\n", ""},
    LineCase{"LastEqualsStartsTheValue", "BinName=a=b\r\n", "b"},
    LineCase{"NoEquals", "[Info]\r\n", ""},
    LineCase{"LfAloneEndsTheValueLikeCrLf", "AutoFlash=1\n", "1"},
    LineCase{"NoLineEndAtAll", "Shutdown=1", "1"},
    LineCase{"CrEndsTheValueEvenMidLine", "a=1\r2=3\r\n", "1"},
    LineCase{"BlankBeforeCrKept", "AutoFlash=1 \r\n", "1 "},
    LineCase{"KeyIgnored", "anything at all=7\r\n", "7"},
    LineCase{"EqualsAsLastByte", "key=", ""},
    LineCase{"NulEndsTheLine", std::string("a=12\0" "34\r\n", 9), "12"},
    // A later '=' restarts the value; nothing of the longer first value stays behind it,
    // whatever the line ends in.
    LineCase{"SecondMarkWithLf", "a=xyz=b\n", "b"},
    LineCase{"SecondMarkWithoutLineEnd", "a=xyz=b", "b"}),
    [](const testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(IniValue, EndOfFileGivesEmptyValues) {
    EXPECT_EQ(Values("a=1\r\n", 3), (std::vector<std::string>{"1", "", ""}));
}

TEST(IniValue, LineOver499BytesIsReadAsTwoLines) {
    // 499 bytes fit in one read; the rest of the line is the next read.
    std::string key(495, 'k');
    std::string line = key + "=123" + "4=5\r\n";  // byte 500 is the '4'
    EXPECT_EQ(Values(line + "n=6\r\n", 3), (std::vector<std::string>{"123", "5", "6"}));
}

TEST(IniValue, TellsWhenALineGoesOnBeyondOneRead) {
    std::FILE* file = std::tmpfile();
    const std::string long_line = std::string(495, 'k') + "=1234=5\n";
    const std::string exact_last = std::string(497, 'k') + "=6";  // 499 bytes, then the file ends
    const std::string text = "a=1\n" + long_line + exact_last;
    std::fwrite(text.data(), 1, text.size(), file);
    std::rewind(file);
    bool cut = true;
    EXPECT_EQ(ReadIniValue(file, &cut), "1");
    EXPECT_FALSE(cut);
    EXPECT_EQ(ReadIniValue(file, &cut), "123");
    EXPECT_TRUE(cut);
    EXPECT_EQ(ReadIniValue(file, &cut), "5");
    EXPECT_FALSE(cut);
    EXPECT_EQ(ReadIniValue(file, &cut), "6");
    EXPECT_FALSE(cut);
    std::fclose(file);
}

TEST(IniValue, LineOfExactly499BytesIsOneRead) {
    std::string line = std::string(494, 'k') + "=42\r\n";  // 499 bytes, LF included
    ASSERT_EQ(line.size(), 499u);
    EXPECT_EQ(Values(line + "n=6\r\n", 2), (std::vector<std::string>{"42", "6"}));
}

TEST(IniValue, HighBytesPassThroughUnchanged) {
    EXPECT_EQ(Values("BinName=\xE9\xFF\x80\r\n", 1).front(), "\xE9\xFF\x80");
}

}  // namespace
