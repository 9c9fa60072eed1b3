// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one conversion from text to integer used for settings values, port edits and the
// ROM size edit.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// Leading blanks, one sign, then "0x", "0X", "x", "X" or "$" and hexadecimal digits, or
/// decimal digits; nothing after the digits; the value must fit 32 bits (hexadecimal up to
/// 0xFFFFFFFF, taken as its 32-bit pattern). nullopt when the text is rejected.
std::optional<int32_t> ParseInt(std::string_view text);

/// "'<text>' is not a valid integer value", the error shown for a rejected text.
std::string InvalidIntegerMessage(std::string_view text);
