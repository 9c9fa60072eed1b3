// Windows: a named mutex in the global namespace stands for the lock file, so runs in every
// session of the machine see each other.

#include "hw/session_lock.h"

#include <windows.h>

namespace {

constexpr const wchar_t* kMutexName = L"Global\\VantuFlashSession";

}  // namespace

std::string DefaultSessionLockPath() { return "Global\\VantuFlashSession"; }

SessionLock::SessionLock(const std::string& path) : path_(path) {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutexName);
    if (mutex == nullptr) {
        reason_ = "error " + std::to_string(GetLastError());
        return;
    }
    // Zero time-out: a second run is refused at once instead of waiting.
    const DWORD waited = WaitForSingleObject(mutex, 0);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        handle_ = reinterpret_cast<intptr_t>(mutex);
        state_ = State::Held;
        return;
    }
    CloseHandle(mutex);
    state_ = State::Busy;
}

SessionLock::~SessionLock() {
    if (handle_ == -1) return;
    HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

std::string SessionLock::RefusalText() const {
    switch (state_) {
        case State::Held: return "";
        case State::Busy: return "vantu: another flash is in progress; nothing was done";
        case State::Failed: return "vantu: the flash lock could not be taken (" + reason_ + "); nothing was done";
    }
    return "";
}
