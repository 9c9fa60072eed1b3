// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One session with the EC at a time: every piece of EC work (a flash, a read, a verify, the
// ROM checksum, a version read, a Super I/O read, a probe) runs inside one. A session asked
// for while another is open on a different thread of this process is refused before any
// port is touched, as is one while another program holds the lock. Within a session the
// process holds its ending signals (platform/signal_hold.h).
//
// Work that another session's work calls on the same thread (the version read at a flash's
// end) nests in it: the thread that opened the session owns it until the outermost ends.
//
// What the work needs of the EC is the session's: its channel, with the ports it was opened
// for and the fault of its bounded waits.

#include <memory>
#include <string>

#include "hw/ec_channel.h"
#include "platform/session_lock.h"
#include "platform/signal_hold.h"

enum class EcSessionState {
    Open,        // this thread may work with the EC
    Busy,        // another thread of this process has a session open
    Locked,      // another program holds the lock
    LockFailed,  // the lock could not be taken at all
};

class EcSession {
public:
    /// Opens a session with the EC at `ports`, or nests in the one this thread has open; never
    /// waits and touches no port. The lock at `lock_path` is taken only by the outermost session.
    explicit EcSession(const EcPorts& ports = {}, const std::string& lock_path = DefaultSessionLockPath());
    /// Ends the session: the lock is released and, on the outermost hold, a noted signal acted on.
    ~EcSession();
    EcSession(const EcSession&) = delete;
    EcSession& operator=(const EcSession&) = delete;

    EcSessionState state() const { return state_; }
    bool open() const { return state_ == EcSessionState::Open; }
    /// The line for standard error when refused (empty when open).
    std::string RefusalText() const;
    /// The channel to the EC for this session's work (only while open).
    EcChannel& channel() { return channel_; }

private:
    EcChannel channel_;
    EcSessionState state_ = EcSessionState::Busy;
    bool outermost_ = false;
    std::unique_ptr<SessionLock> lock_;
    std::unique_ptr<SignalHold> signals_;
};

/// The text of a refusal for a session another thread of this process has open.
inline constexpr const char* kEcSessionBusyText =
    "vantu: the EC is busy with other work of this program; nothing was done";
