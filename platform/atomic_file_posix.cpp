// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/staged_temporaries.h"

namespace {

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Makes the rename itself survive a power loss; the new file is in place either way.
void SyncDirectory(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The replacement looks like the file it replaces, as a rewrite in place would leave it.
void TakeOverOwnerAndMode(int fd, const std::string& target) {
    struct stat old_stat;
    if (::lstat(target.c_str(), &old_stat) != 0 || !S_ISREG(old_stat.st_mode)) return;
    if (::fchown(fd, old_stat.st_uid, old_stat.st_gid) != 0) {
        // Only root may give a file away; anyone else keeps the new file as their own.
    }
    ::fchmod(fd, old_stat.st_mode & 07777);
}

}  // namespace

// Created exclusively and never through a link, so that no file already there (or a link
// planted under the name) is ever reused.
int StagedReplacement::CreateTempBeside(const std::string& target, std::string& temp_path) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_path = target + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter++);
        const int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

long StagedReplacement::WriteSome(int fd, const char* bytes, size_t size) {
    for (;;) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n >= 0 || errno != EINTR) return n;
    }
}

std::FILE* StagedReplacement::StreamOver(int fd) { return ::fdopen(fd, "wb"); }

int StagedReplacement::CloseDescriptor(int fd) { return ::close(fd); }

bool StagedReplacement::Commit() {
    if (fd_ < 0) return false;
    TakeOverOwnerAndMode(fd_, path_);
    bool ok = FlushStream() && ::fsync(fd_) == 0;
    ok = (CloseFile() == 0) && ok;
    // Something else put under the name meanwhile (a device, a link) is not replaced either.
    ok = ok && TargetAllowed();
    // rename() replaces the entry named `path`, never what a link there points to.
    ok = ok && ::rename(temp_path_.c_str(), path_.c_str()) == 0;
    if (!ok) {
        Abandon();
        return false;
    }
    ForgetStagedTemporary(temp_path_.c_str());
    temp_path_.clear();
    SyncDirectory(DirectoryOf(path_));
    return true;
}

void StagedReplacement::Abandon() {
    CloseFile();
    if (temp_path_.empty()) return;
    ::unlink(temp_path_.c_str());
    ForgetStagedTemporary(temp_path_.c_str());
    temp_path_.clear();
}

