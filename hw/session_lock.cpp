#include "hw/session_lock.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr const char* kRunLockDirectory = "/run/lock";
constexpr const char* kLockFileName = "vantu.lock";

}  // namespace

std::string DefaultSessionLockPath() {
    if (const char* chosen = std::getenv("VANTU_LOCK_FILE"); chosen != nullptr && *chosen != '\0') return chosen;
    std::error_code error;
    if (std::filesystem::is_directory(kRunLockDirectory, error))
        return std::string(kRunLockDirectory) + "/" + kLockFileName;
    return (std::filesystem::temp_directory_path(error) / kLockFileName).string();
}

SessionLock::SessionLock(const std::string& path) : path_(path) {
    // Read-only is enough for flock, so a lock file that root created stays usable for all;
    // a link placed where the lock file belongs is not followed.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        reason_ = std::strerror(errno);
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            state_ = State::Busy;
        } else {
            reason_ = std::strerror(error);
        }
        return;
    }
    handle_ = fd;
    state_ = State::Held;
}

SessionLock::~SessionLock() {
    // Closing the only descriptor of the open file releases the lock.
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

std::string SessionLock::RefusalText() const {
    switch (state_) {
        case State::Held: return "";
        case State::Busy: return "vantu: another flash is in progress (" + path_ + " is locked); nothing was done";
        case State::Failed: return "vantu: the lock " + path_ + " could not be taken (" + reason_ + "); nothing was done";
    }
    return "";
}
