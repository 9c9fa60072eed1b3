#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "settings/file_replace.h"

namespace {

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// A fresh file beside the target, created exclusively so that no other file is reused.
int CreateTempBeside(const std::string& target, std::string& temp_path) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_path = target + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter++);
        int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// Makes the rename itself survive a power loss; a failure here changes nothing on disk.
void SyncDirectory(const std::string& dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool ReplaceFileContents(const char* path, const std::string& bytes) {
    // A file reached through a link is rewritten where it lives; the link stays.
    std::string target = path;
    if (char* resolved = ::realpath(path, nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    std::string temp_path;
    int fd = CreateTempBeside(target, temp_path);
    if (fd < 0) return false;

    // The rewritten file keeps the owner and permissions of the one it replaces.
    struct stat old_stat;
    bool ok = true;
    if (::stat(target.c_str(), &old_stat) == 0) {
        if (!S_ISREG(old_stat.st_mode)) {
            ok = false;
        } else {
            if (::fchown(fd, old_stat.st_uid, old_stat.st_gid) != 0) {
                // Only root may give a file away; anyone else keeps the file as their own.
            }
            ::fchmod(fd, old_stat.st_mode & 07777);
        }
    }
    ok = ok && WriteAll(fd, bytes);
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp_path.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp_path.c_str());
        return false;
    }
    SyncDirectory(DirectoryOf(target));
    return true;
}
