// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/standard_descriptors.h"

#ifdef _WIN32
#include <io.h>

#include <cstdio>

void MakeStandardDescriptorsSafe() {
    struct Standard {
        std::FILE* stream;
        const char* mode;
    };
    const Standard standards[] = {{stdin, "r"}, {stdout, "w"}, {stderr, "w"}};
    for (const Standard& standard : standards) {
        const int fd = _fileno(standard.stream);
        if (fd < 0 || _get_osfhandle(fd) < 0) {
            if (std::freopen("NUL", standard.mode, standard.stream) == nullptr) continue;
        }
    }
}
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

void MakeStandardDescriptorsSafe() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // open() takes the lowest free number: the one just found closed, as the lower ones are open.
        const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            ::dup2(opened, fd);
            ::close(opened);
        }
    }
}
#endif
