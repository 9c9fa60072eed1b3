// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small texts that several commands of vantu-cli put together the same way.

#include <cstdint>
#include <string>

#include "hw/ec_channel.h"

/// `value` in uppercase hexadecimal with at least `digits` digits ("3F0", "03F4").
std::string HexText(uint64_t value, int digits = 1);
/// "4 MiB", "512 KB", "100 bytes".
std::string SizeWords(uint64_t bytes);
/// Why nothing was done when the EC refused follow mode, with its answer (or that none came)
/// and what to try.
std::string NoFollowModeText(const FollowModeReply& reply);
