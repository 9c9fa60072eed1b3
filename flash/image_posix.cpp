// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "flash/image.h"

namespace {

bool IsRegular(const struct stat& info) { return S_ISREG(info.st_mode); }

}  // namespace

bool IMG_HasFileLength(std::FILE* file) {
    const int fd = fileno(file);
    struct stat info {};
    return fd < 0 || (fstat(fd, &info) == 0 && IsRegular(info));
}

bool IMG_SeekTo(std::FILE* file, int64_t offset, int origin) {
    return fseeko(file, static_cast<off_t>(offset), origin) == 0;
}

int64_t IMG_Tell(std::FILE* file) { return static_cast<int64_t>(ftello(file)); }

OpenedImage IMG_OpenImageFile(const char* path) {
    OpenedImage image;
    if (path == nullptr || *path == '\0') return image;
    // Looked at before the open, so that no device is ever opened; the link, if any, followed.
    struct stat info;
    if (::stat(path, &info) != 0) return image;
    if (!IsRegular(info)) {
        image.status = ImageOpenStatus::NotRegularFile;
        return image;
    }
    // Non-blocking, and checked again on what was opened: the name may have been swapped.
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return image;
    if (::fstat(fd, &info) != 0 || !IsRegular(info)) {
        ::close(fd);
        image.status = ImageOpenStatus::NotRegularFile;
        return image;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return image;
    }
    image.file = ::fdopen(fd, "rb");
    if (image.file == nullptr) {
        ::close(fd);
        return image;
    }
    image.status = ImageOpenStatus::Opened;
    return image;
}
