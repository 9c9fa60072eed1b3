// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/ec_channel.h"

#include "hw/bounded_poll.h"
#include "hw/hw_fault.h"
#include "hw/port_io.h"
#include "hw/wait_bounds.h"
#include "platform/clock.h"

int g_StatusPort = 0x3F4;
int g_CmdPort = 0x3F4;
int g_DataPort = 0x3F0;

namespace {

bool WaitStatusBit(uint8_t mask, bool want_set) {
    return BoundedPoll(kEcHandshakeBoundMs, HwFault::EcNotAnswering,
                       [&] { return ((IO_In(g_StatusPort) & mask) != 0) == want_set; });
}

// The protocol's own one-second waits: the clock is read before each status read, and the
// bit is tested before the time, so an answer found in the last pass still counts. Only
// elapsed seconds strictly above one end the wait: exactly 1000 ms keeps waiting.
bool TimedStatusWait(uint8_t mask, bool want_set) {
    const uint32_t start = TickMs();
    for (;;) {
        const uint32_t now = TickMs();
        if (((IO_In(g_StatusPort) & mask) != 0) == want_set) return true;
        if ((now - start) * 0.001 > kEcTimedWaitMs * 0.001) return false;
    }
}

}  // namespace

bool EC_WaitOBF() { return WaitStatusBit(kStatusOBF, true); }
bool EC_WaitIBF() { return WaitStatusBit(kStatusIBF, false); }

bool EC_WriteCmd(uint8_t value) {
    if (!EC_WaitIBF()) return false;
    IO_Out(g_CmdPort, value);
    return EC_WaitIBF();
}

bool EC_WriteData(uint8_t value) {
    if (!EC_WaitIBF()) return false;
    IO_Out(g_DataPort, value);
    return EC_WaitIBF();
}

uint8_t EC_ReadData() {
    if (!EC_WaitOBF()) return 0x00;
    return IO_In(g_DataPort);
}

TimedWaitResult EC_WaitIBFTimed() {
    return TimedStatusWait(kStatusIBF, false) ? TimedWaitResult::Cleared : TimedWaitResult::TimedOut;
}

FollowModeReply EC_RequestFollowMode() {
    EC_WaitIBFTimed();  // a busy EC does not stop the attempt
    IO_Out(g_CmdPort, 0xDC);
    EC_WaitIBFTimed();
    FollowModeReply reply;
    reply.answered = TimedStatusWait(kStatusOBF, true);
    if (reply.answered) reply.byte = IO_In(g_DataPort);
    return reply;
}

bool EC_EnterFlashMode(uint8_t& ack) {
    const FollowModeReply reply = EC_RequestFollowMode();
    ack = reply.byte;
    return reply.entered();
}

bool EC_ProbeAck() {
    EC_WaitIBFTimed();
    IO_Out(g_CmdPort, 0x85);
    return EC_WaitIBFTimed() == TimedWaitResult::Cleared;
}
