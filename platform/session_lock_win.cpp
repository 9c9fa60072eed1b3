// SPDX-License-Identifier: GPL-3.0-or-later
// Windows: a named semaphore of one in the global namespace stands for the lock file, so runs
// in every session of the machine see each other. Not a mutex: its owning thread would be
// granted it again, where a second lock must be refused even within one process, as flock
// refuses it. A run that dies closes its handle, and the last handle closed frees the name.

#include "platform/session_lock.h"

#include <windows.h>

#include <cstdlib>

#include "platform/wide_text_win.h"

namespace {

constexpr const char* kLockName = "Global\\VantuFlashSession";

// The machine's one lock, or, for $VANTU_LOCK_FILE, a lock of that file's own, so runs on the
// simulated EC side by side do not refuse each other. The names take no further backslash.
std::wstring LockName(const std::string& path) {
    if (path == kLockName) return WideFromUtf8(path);
    std::string name = path;
    for (char& c : name)
        if (c == '\\') c = '/';
    return WideFromUtf8(std::string(kLockName) + "-" + name);
}

}  // namespace

std::string DefaultSessionLockPath() {
    if (const char* chosen = std::getenv("VANTU_LOCK_FILE"); chosen != nullptr && *chosen != '\0') return chosen;
    return kLockName;
}

SessionLock::SessionLock(const std::string& path) : path_(path) {
    HANDLE lock = CreateSemaphoreW(nullptr, 1, 1, LockName(path).c_str());
    if (lock == nullptr) {
        reason_ = "error " + std::to_string(GetLastError());
        return;
    }
    // Zero time-out: a second run is refused at once instead of waiting.
    if (WaitForSingleObject(lock, 0) == WAIT_OBJECT_0) {
        handle_ = reinterpret_cast<intptr_t>(lock);
        state_ = State::Held;
        return;
    }
    CloseHandle(lock);
    state_ = State::Busy;
    holder_ = "unknown";
}

SessionLock::~SessionLock() {
    if (handle_ == -1) return;
    HANDLE lock = reinterpret_cast<HANDLE>(handle_);
    ReleaseSemaphore(lock, 1, nullptr);
    CloseHandle(lock);
}

std::string SessionLock::RefusalText() const {
    switch (state_) {
        case State::Held: return "";
        case State::Busy: return std::string("vantu: ") + kEcInUseText + "; nothing was done";
        case State::Failed: return "vantu: the flash lock could not be taken (" + reason_ + "); nothing was done";
    }
    return "";
}
