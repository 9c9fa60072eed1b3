// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/session_lock.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

constexpr const char* kRunLockDirectory = "/run/lock";
constexpr const char* kLockFileName = "vantu.lock";

// "vantu-cli, pid 42, since 2026-12-10 01:40:02": what a refused program is told.
std::string HolderText() {
    char since[32] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) != nullptr) std::strftime(since, sizeof since, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(program_invocation_short_name) + ", pid " + std::to_string(::getpid()) + ", since " + since;
}

std::string ReadHolder(int fd) {
    char text[256];
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    if (got <= 0) return "unknown";
    std::string holder(text, static_cast<size_t>(got));
    // Only the holder's line, and nothing a terminal would act on.
    holder = holder.substr(0, holder.find('\n'));
    for (char& c : holder)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return holder.empty() ? "unknown" : holder;
}

}  // namespace

std::string DefaultSessionLockPath() {
    if (const char* chosen = std::getenv("VANTU_LOCK_FILE"); chosen != nullptr && *chosen != '\0') return chosen;
    std::error_code error;
    if (std::filesystem::is_directory(kRunLockDirectory, error))
        return std::string(kRunLockDirectory) + "/" + kLockFileName;
    return (std::filesystem::temp_directory_path(error) / kLockFileName).string();
}

SessionLock::SessionLock(const std::string& path) : path_(path) {
    // Written, the file names the holder; read-only is enough for flock, so a lock file that
    // root created stays usable for all (its holder then goes unnamed). A link placed where
    // the lock file belongs is not followed.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    const bool writable = fd >= 0;
    if (!writable) fd = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        reason_ = std::strerror(errno);
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EWOULDBLOCK) {
            state_ = State::Busy;
            holder_ = ReadHolder(fd);
        } else {
            reason_ = std::strerror(error);
        }
        ::close(fd);
        return;
    }
    if (writable) {
        const std::string holder = HolderText() + "\n";
        if (::ftruncate(fd, 0) == 0) {
            const ssize_t ignored = ::pwrite(fd, holder.data(), holder.size(), 0);
            (void)ignored;
        }
    }
    handle_ = fd;
    state_ = State::Held;
}

SessionLock::~SessionLock() {
    // Closing the only descriptor of the open file releases the lock; the holder's line stays
    // behind, and only a later holder's replaces it.
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

std::string SessionLock::RefusalText() const {
    switch (state_) {
        case State::Held: return "";
        case State::Busy:
            return std::string("vantu: ") + kEcInUseText + " (" + holder_ + "; " + path_ + " is locked); nothing was done";
        case State::Failed: return "vantu: the lock " + path_ + " could not be taken (" + reason_ + "); nothing was done";
    }
    return "";
}
