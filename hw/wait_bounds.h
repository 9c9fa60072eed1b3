// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every bound on a hardware wait, in one place. Each is far above what working hardware
// needs, so only a dead EC or chip reaches it.

#include <cstdint>

/// The two time limits of the EC protocol itself (follow-mode reply, acknowledge probe):
/// a wait ends only when more than this has elapsed.
inline constexpr uint32_t kEcTimedWaitMs = 1000;
/// IBF/OBF handshakes: an EC that answers takes microseconds.
inline constexpr uint32_t kEcHandshakeBoundMs = 3000;
/// Flash status polls: a page program takes milliseconds, a 64 KB erase up to a few seconds.
inline constexpr uint32_t kChipReadyBoundMs = 15000;
/// A busy poll reads the clock only once per this many status reads, so the fast path
/// (status ready at the first read) costs no clock reading at all.
inline constexpr uint32_t kPollsPerClockCheck = 64;
