#pragma once
// One flasher at a time: an exclusive lock, held for the whole session with the EC. A second
// program is refused at once, before it touches a port; it never waits for the first.

#include <cstdint>
#include <string>

inline constexpr const char* kFlashInProgressText = "Another flash is in progress, not flashed!!";

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
    /// The line for standard error when not held: another run has it, or why it could not be had.
    std::string RefusalText() const;

private:
    State state_ = State::Failed;
    std::string path_;
    std::string reason_;  // Failed: the system's words
    intptr_t handle_ = -1;
};
