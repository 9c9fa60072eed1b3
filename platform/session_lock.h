// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One program at a time works with the EC: an exclusive lock, held for each session with the
// EC (not for a program's whole life). A second program is refused at once, before it touches
// a port; it never waits for the first, and is told who holds the lock.

#include <cstdint>
#include <string>

/// The start of every refusal for a lock another program holds; the holder follows.
inline constexpr const char* kEcInUseText = "another program is working with the EC";

/// $VANTU_LOCK_FILE when set (tests and rehearsals on the simulated EC, which must not meet
/// each other), else /run/lock/vantu.lock, else vantu.lock in the temporary directory where
/// /run/lock is missing; on Windows the machine-wide semaphore name.
std::string DefaultSessionLockPath();

class SessionLock {
public:
    enum class State { Held, Busy, Failed };

    /// Tries once to take the lock named by `path` (on Windows a named semaphore, one per path).
    /// Never waits.
    explicit SessionLock(const std::string& path = DefaultSessionLockPath());
    /// Releases the lock if held.
    ~SessionLock();
    SessionLock(const SessionLock&) = delete;
    SessionLock& operator=(const SessionLock&) = delete;

    State state() const { return state_; }
    bool held() const { return state_ == State::Held; }
    /// The line for standard error when not held: who has it ("vantu: another program is
    /// working with the EC (NAME, pid N, since TIME); nothing was done"), or why it could not
    /// be had.
    std::string RefusalText() const;
    /// Busy: the holder as it described itself ("vantu-cli, pid 42, since 2026-12-10 01:40:02"),
    /// "unknown" when it did not.
    const std::string& holder() const { return holder_; }

private:
    State state_ = State::Failed;
    std::string path_;
    std::string reason_;  // Failed: the system's words
    std::string holder_;  // Busy: who holds it
    intptr_t handle_ = -1;
};
