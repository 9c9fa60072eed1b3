// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "settings/int_convert.h"

namespace {

struct Case {
    std::string text;
    std::optional<int32_t> expected;  // nullopt: rejected
};

class ParseIntTable : public testing::TestWithParam<Case> {};

TEST_P(ParseIntTable, AcceptsOrRejects) {
    const Case& c = GetParam();
    EXPECT_EQ(ParseInt(c.text), c.expected) << "text: '" << c.text << "'";
}

INSTANTIATE_TEST_SUITE_P(Decimal, ParseIntTable, testing::Values(
    Case{"0", 0}, Case{"98", 98}, Case{"007", 7}, Case{"+5", 5}, Case{"-1", -1}, Case{"-0", 0},
    Case{"  42", 42}, Case{" -42", -42},
    Case{"2147483647", INT32_MAX}, Case{"-2147483648", INT32_MIN},
    Case{"2147483648", std::nullopt}, Case{"-2147483649", std::nullopt},
    Case{"99999999999999999999999", std::nullopt}, Case{"4294967295", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(Hexadecimal, ParseIntTable, testing::Values(
    Case{"0x62", 0x62}, Case{"0X62", 0x62}, Case{"x3f4", 0x3F4}, Case{"X3F4", 0x3F4},
    Case{"$Ab", 0xAB}, Case{"0x3F0", 0x3F0}, Case{"0x0", 0}, Case{"0x00000000062", 0x62},
    Case{"0x7FFFFFFF", INT32_MAX}, Case{"0x80000000", INT32_MIN},
    Case{"0xFFFFFFFF", -1}, Case{"-0x1", -1}, Case{"+0x10", 16}, Case{"-$FFFFFFFF", 1},
    Case{" 0x13F4", 0x13F4},
    Case{"0x100000000", std::nullopt}, Case{"0xFFFFFFFFF", std::nullopt}));

INSTANTIATE_TEST_SUITE_P(Rejected, ParseIntTable, testing::Values(
    Case{"", std::nullopt}, Case{" ", std::nullopt}, Case{"-", std::nullopt},
    Case{"+", std::nullopt}, Case{"0x", std::nullopt}, Case{"$", std::nullopt},
    Case{"1 ", std::nullopt},            // trailing blank
    Case{"1\n", std::nullopt},           // a line end kept from an LF-only line
    Case{"1\r", std::nullopt}, Case{"\t1", std::nullopt},
    Case{"0x0x3F4", std::nullopt},       // port edit already holding "0x"
    Case{"0x 3F4", std::nullopt},        // blank after the prefix
    Case{"0xZZ", std::nullopt}, Case{"12a", std::nullopt}, Case{"- 5", std::nullopt},
    Case{"--5", std::nullopt}, Case{"+-5", std::nullopt}, Case{"0x-5", std::nullopt},
    Case{"3F4", std::nullopt}, Case{"1.5", std::nullopt}, Case{"0b101", std::nullopt},
    Case{std::string("1\0", 2), std::nullopt}));

TEST(InvalidIntegerMessage, QuotesTheTextAsGiven) {
    EXPECT_EQ(InvalidIntegerMessage("0xZZ"), "'0xZZ' is not a valid integer value");
    EXPECT_EQ(InvalidIntegerMessage(""), "'' is not a valid integer value");
    EXPECT_EQ(InvalidIntegerMessage("1 "), "'1 ' is not a valid integer value");
}

}  // namespace
