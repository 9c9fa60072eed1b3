// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/ec_channel.h"

#include <cstdio>

#include "hw/port_io.h"

bool EcChannel::WaitStatusBit(uint8_t mask, bool want_set) {
    return PollUntil(kEcHandshakeBoundMs, HwFault::EcNotAnswering,
                     [&] { return ((IO_In(ports_.command) & mask) != 0) == want_set; });
}

// The protocol's own one-second waits: the clock is read before each status read, and the
// bit is tested before the time, so an answer found in the last pass still counts. Only
// elapsed seconds strictly above one end the wait: exactly 1000 ms keeps waiting.
bool EcChannel::TimedStatusWait(uint8_t mask, bool want_set) {
    const uint32_t start = TickMs();
    for (;;) {
        const uint32_t now = TickMs();
        if (((IO_In(ports_.command) & mask) != 0) == want_set) return true;
        if ((now - start) * 0.001 > kEcTimedWaitMs * 0.001) return false;
    }
}

bool EcChannel::WaitOBF() { return WaitStatusBit(kStatusOBF, true); }
bool EcChannel::WaitIBF() { return WaitStatusBit(kStatusIBF, false); }

bool EcChannel::WriteCmd(uint8_t value) {
    if (!WaitIBF()) return false;
    IO_Out(ports_.command, value);
    return WaitIBF();
}

bool EcChannel::WriteData(uint8_t value) {
    if (!WaitIBF()) return false;
    IO_Out(ports_.data, value);
    return WaitIBF();
}

uint8_t EcChannel::ReadData() {
    if (!WaitOBF()) return 0x00;
    return IO_In(ports_.data);
}

void EcChannel::DrainStaleByte() {
    if ((IO_In(ports_.command) & kStatusOBF) != 0) IO_In(ports_.data);
}

TimedWaitResult EcChannel::WaitIBFTimed() {
    return TimedStatusWait(kStatusIBF, false) ? TimedWaitResult::Cleared : TimedWaitResult::TimedOut;
}

FollowModeReply EcChannel::RequestFollowMode() {
    WaitIBFTimed();  // a busy EC does not stop the attempt
    IO_Out(ports_.command, 0xDC);
    WaitIBFTimed();
    FollowModeReply reply;
    reply.answered = TimedStatusWait(kStatusOBF, true);
    if (reply.answered) reply.byte = IO_In(ports_.data);
    return reply;
}

bool EcChannel::ProbeAck() {
    WaitIBFTimed();
    IO_Out(ports_.command, 0x85);
    return WaitIBFTimed() == TimedWaitResult::Cleared;
}

bool EcChannel::StatusPortAnswers() {
    for (int i = 0; i < kEcSilentReads; ++i) {
        if (IO_In(ports_.command) != 0xFF) return true;
    }
    return false;
}

std::string EC_SilentPortText(int status_port) {
    char text[80];
    std::snprintf(text, sizeof text, "No EC answers at port %04X (status reads FF), not flashed!!",
                  static_cast<unsigned>(status_port & 0xFFFF));
    return text;
}

const char* HW_FaultText(HwFault fault) {
    switch (fault) {
        case HwFault::None: return "";
        case HwFault::EcNotAnswering: return "EC not answering, time-out!!";
        case HwFault::ChipNotReady: return "Flash chip not ready, time-out!!";
    }
    return "";
}
