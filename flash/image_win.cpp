// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include "flash/image.h"
#include "platform/wide_text_win.h"

OpenedImage IMG_OpenImageFile(const char* path) {
    OpenedImage image;
    if (path == nullptr || *path == '\0') return image;
    // Opened without reading, then judged by what was opened: a console, pipe or device is
    // refused before any byte is read. A link is followed to its file.
    const HANDLE handle = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return image;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool regular = GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
                         (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    if (!regular) {
        CloseHandle(handle);
        image.status = ImageOpenStatus::NotRegularFile;
        return image;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return image;
    }
    image.file = _fdopen(fd, "rb");
    if (image.file == nullptr) {
        _close(fd);  // closes the handle too
        return image;
    }
    image.status = ImageOpenStatus::Opened;
    return image;
}

bool IMG_HasFileLength(std::FILE* file) {
    const int fd = _fileno(file);
    struct _stat64 info {};
    return fd < 0 || (_fstat64(fd, &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG);
}

bool IMG_SeekTo(std::FILE* file, int64_t offset, int origin) { return _fseeki64(file, offset, origin) == 0; }

int64_t IMG_Tell(std::FILE* file) { return _ftelli64(file); }
