// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/int_convert.h"

#include <cstdint>

namespace {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Accumulates the digits in 64 bits and gives up as soon as the magnitude passes `limit`,
// so no text, however long, can overflow the accumulator.
std::optional<uint64_t> ParseDigits(std::string_view digits, unsigned base, uint64_t limit) {
    if (digits.empty()) return std::nullopt;
    uint64_t magnitude = 0;
    for (char c : digits) {
        int digit = HexDigitValue(c);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) return std::nullopt;
        magnitude = magnitude * base + static_cast<unsigned>(digit);
        if (magnitude > limit) return std::nullopt;
    }
    return magnitude;
}

}  // namespace

std::optional<int32_t> ParseInt(std::string_view text) {
    size_t pos = 0;
    // Only the space counts as a blank; a tab or line end is a character like any other.
    while (pos < text.size() && text[pos] == ' ') ++pos;

    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }

    std::string_view rest = text.substr(pos);
    bool hex = false;
    if (rest.starts_with("0x") || rest.starts_with("0X")) {
        hex = true;
        rest.remove_prefix(2);
    } else if (!rest.empty() && (rest[0] == 'x' || rest[0] == 'X' || rest[0] == '$')) {
        hex = true;
        rest.remove_prefix(1);
    }

    if (hex) {
        // Hexadecimal is a 32-bit pattern: 0xFFFFFFFF is -1, and a sign negates the pattern.
        std::optional<uint64_t> magnitude = ParseDigits(rest, 16, UINT32_MAX);
        if (!magnitude) return std::nullopt;
        uint32_t pattern = static_cast<uint32_t>(*magnitude);
        if (negative) pattern = 0u - pattern;
        return static_cast<int32_t>(pattern);
    }

    // Decimal must fit a signed 32-bit integer, down to -2147483648.
    const uint64_t limit = negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1;
    std::optional<uint64_t> magnitude = ParseDigits(rest, 10, limit);
    if (!magnitude) return std::nullopt;
    uint32_t pattern = static_cast<uint32_t>(*magnitude);
    if (negative) pattern = 0u - pattern;
    return static_cast<int32_t>(pattern);
}

std::string InvalidIntegerMessage(std::string_view text) {
    std::string message = "'";
    message += text;
    message += "' is not a valid integer value";
    return message;
}
