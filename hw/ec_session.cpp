// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/ec_session.h"

#include <mutex>
#include <thread>

namespace {

std::mutex g_SessionMutex;
std::thread::id g_Owner;  // the thread whose session is open, under g_SessionMutex
int g_Depth = 0;          // its sessions, the outermost included

}  // namespace

EcSession::EcSession(const EcPorts& ports, const std::string& lock_path) : channel_(ports) {
    {
        const std::lock_guard<std::mutex> guard(g_SessionMutex);
        const std::thread::id self = std::this_thread::get_id();
        if (g_Depth != 0 && g_Owner != self) return;  // Busy
        outermost_ = g_Depth == 0;
        g_Owner = self;
        ++g_Depth;
    }
    // The signals are held before the lock, so no signal ends the process between the two.
    signals_ = std::make_unique<SignalHold>();
    if (!outermost_) {
        state_ = EcSessionState::Open;
        return;
    }
    lock_ = std::make_unique<SessionLock>(lock_path);
    switch (lock_->state()) {
        case SessionLock::State::Held: state_ = EcSessionState::Open; return;
        case SessionLock::State::Busy: state_ = EcSessionState::Locked; break;
        case SessionLock::State::Failed: state_ = EcSessionState::LockFailed; break;
    }
}

EcSession::~EcSession() {
    if (signals_ == nullptr) return;  // refused as Busy: nothing was taken
    lock_.reset();
    {
        const std::lock_guard<std::mutex> guard(g_SessionMutex);
        --g_Depth;
    }
    signals_.reset();  // last: a held signal ends the process only once the EC is free
}

std::string EcSession::RefusalText() const {
    switch (state_) {
        case EcSessionState::Open: return "";
        case EcSessionState::Busy: return kEcSessionBusyText;
        case EcSessionState::Locked:
        case EcSessionState::LockFailed: return lock_->RefusalText();
    }
    return "";
}
