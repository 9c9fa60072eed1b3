// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The byte channel to the EC firmware: a status/command port and a data port with
// IBF/OBF handshakes, the follow-mode request, the acknowledge probe.

#include <cstdint>

extern int g_StatusPort;  // 0x3F4 at start; always the same port as g_CmdPort
extern int g_CmdPort;     // 0x3F4 at start
extern int g_DataPort;    // 0x3F0 at start

inline constexpr uint8_t kStatusOBF = 0x01;  // EC placed a byte in the data port
inline constexpr uint8_t kStatusIBF = 0x02;  // EC has not yet taken the last byte written

/// Reads the status port until OBF is set. False when the handshake bound expired
/// (HwFault::EcNotAnswering raised) or a fault was already set (no port touched).
bool EC_WaitOBF();
/// Reads the status port until IBF is clear; bounded and fault-aware like EC_WaitOBF.
bool EC_WaitIBF();
/// IBF wait, command-port write, IBF wait. False only on a fault; then nothing more is written.
bool EC_WriteCmd(uint8_t value);
/// IBF wait, data-port write, IBF wait. False only on a fault.
bool EC_WriteData(uint8_t value);
/// OBF wait, then the data-port byte; 0x00 without any data-port read on a fault.
uint8_t EC_ReadData();

enum class TimedWaitResult { Cleared, TimedOut };
/// Reads the status until IBF is clear or more than one second has elapsed; the bit is
/// tested before the time, so a clear IBF in the last pass still counts as cleared.
TimedWaitResult EC_WaitIBFTimed();

/// The EC's reply to the follow-mode request.
struct FollowModeReply {
    bool answered = false;  // a reply came within the time limit ...
    uint8_t byte = 0;       // ... and this was it (0 when none came)
    bool entered() const { return answered && byte == 0x33; }
};
/// Asks the EC for follow mode (command 0xDC) and reads its reply, only when one came: a
/// byte in the data port without OBF is stale and never taken for the answer. Whatever the
/// reply, the caller sends the end command, since the EC may have entered follow mode late.
FollowModeReply EC_RequestFollowMode();
/// The same, with the reply byte in `ack`: true only for the reply 0x33.
bool EC_EnterFlashMode(uint8_t& ack);
/// Command 0x85; true when the EC takes it (IBF clears) within the time limit.
bool EC_ProbeAck();
