// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The byte channel to the EC firmware: a status/command port and a data port with IBF/OBF
// handshakes, the follow-mode request, the acknowledge probe. One channel belongs to one
// piece of EC work (its session, hw/ec_session.h), and so does its fault.
//
// A bounded wait that expires sets a sticky fault. From then on the channel touches no port
// and every poll ends at once, so a sequence already under way unwinds quickly; the caller
// checks the fault after each step and words the failure.

#include <cstdint>
#include <string>

#include "hw/ec_ports.h"
#include "hw/hw_fault.h"
#include "platform/clock.h"

// Every bound on a hardware wait, in one place. Each is far above what working hardware
// needs, so only a dead EC or chip reaches it.

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

inline constexpr uint8_t kStatusOBF = 0x01;  // EC placed a byte in the data port
inline constexpr uint8_t kStatusIBF = 0x02;  // EC has not yet taken the last byte written

/// Status reads that must all show 0xFF before the status port counts as silent.
inline constexpr int kEcSilentReads = 8;

enum class TimedWaitResult { Cleared, TimedOut };

/// The EC's reply to the follow-mode request.
struct FollowModeReply {
    bool answered = false;  // a reply came within the time limit ...
    uint8_t byte = 0;       // ... and this was it (0 when none came)
    bool entered() const { return answered && byte == 0x33; }
};

class EcChannel {
public:
    explicit EcChannel(const EcPorts& ports = {}) : ports_(ports) {}

    const EcPorts& ports() const { return ports_; }

    /// Reads the status port until OBF is set. False when the handshake bound expired
    /// (HwFault::EcNotAnswering raised) or a fault was already set (no port touched).
    bool WaitOBF();
    /// Reads the status port until IBF is clear; bounded and fault-aware like WaitOBF.
    bool WaitIBF();
    /// IBF wait, command-port write, IBF wait. False only on a fault; then nothing more is written.
    bool WriteCmd(uint8_t value);
    /// IBF wait, data-port write, IBF wait. False only on a fault.
    bool WriteData(uint8_t value);
    /// OBF wait, then the data-port byte; 0x00 without any data-port read on a fault.
    uint8_t ReadData();
    /// Reads the data port once when OBF shows a byte waiting there, so a stale byte is never
    /// taken for the answer to what is sent next.
    void DrainStaleByte();

    /// Reads the status until IBF is clear or more than one second has elapsed; the bit is
    /// tested before the time, so a clear IBF in the last pass still counts as cleared.
    TimedWaitResult WaitIBFTimed();
    /// Asks the EC for follow mode (command 0xDC) and reads its reply, only when one came: a
    /// byte in the data port without OBF is stale and never taken for the answer. Whatever the
    /// reply, the caller sends the end command, since the EC may have entered follow mode late.
    FollowModeReply RequestFollowMode();
    /// Command 0x85; true when the EC takes it (IBF clears) within the time limit.
    bool ProbeAck();
    /// True unless all kEcSilentReads reads of the status port return 0xFF. Only reads.
    bool StatusPortAnswers();

    /// Calls `attempt` until it returns true (result true). Returns false without calling it
    /// when a fault is already set, when an attempt raised one, or when more than `bound_ms`
    /// elapsed (then `on_expiry` is raised). The clock is read only every kPollsPerClockCheck
    /// attempts, so a wait that is satisfied at once costs no clock reading.
    template <typename Attempt>
    bool PollUntil(uint32_t bound_ms, HwFault on_expiry, Attempt&& attempt);

    /// Records a fault; the first one raised is kept until ClearFault.
    void RaiseFault(HwFault fault) {
        if (fault_ == HwFault::None) fault_ = fault;
    }
    void ClearFault() { fault_ = HwFault::None; }
    bool faulted() const { return fault_ != HwFault::None; }
    HwFault fault() const { return fault_; }

private:
    bool WaitStatusBit(uint8_t mask, bool want_set);
    bool TimedStatusWait(uint8_t mask, bool want_set);

    EcPorts ports_;
    HwFault fault_ = HwFault::None;
};

/// The status line for a silent status port, naming it in the port edits' hexadecimal.
std::string EC_SilentPortText(int status_port);

template <typename Attempt>
bool EcChannel::PollUntil(uint32_t bound_ms, HwFault on_expiry, Attempt&& attempt) {
    uint32_t start = 0;
    bool started = false;
    for (;;) {
        for (uint32_t i = 0; i < kPollsPerClockCheck; ++i) {
            if (faulted()) return false;
            if (attempt()) return true;
        }
        const uint32_t now = TickMs();
        if (!started) {
            start = now;
            started = true;
        } else if (now - start > bound_ms) {
            RaiseFault(on_expiry);
            return false;
        }
    }
}
