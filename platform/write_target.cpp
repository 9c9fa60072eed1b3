// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/write_target.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/utf8_path.h"

#ifdef _WIN32
#include <algorithm>
#include <cctype>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

const char* KindWords(fs::file_type type) {
    switch (type) {
        case fs::file_type::directory: return "a directory";
        case fs::file_type::symlink: return "a link";
        case fs::file_type::block:
        case fs::file_type::character: return "a device";
        case fs::file_type::fifo: return "a FIFO";
        case fs::file_type::socket: return "a socket";
        default: return "a special file";
    }
}

std::string Refusal(const std::string& path, const char* kind) {
    return path + " is " + kind + ", not a regular file; name a new file or a regular one";
}

#ifdef _WIN32
// CON, NUL, COM1 ... are devices in every directory, whatever follows a dot.
bool IsReservedDeviceName(const std::string& path) {
    std::string name = Utf8FromPath(PathFromUtf8(path).filename());
    name = name.substr(0, name.find('.'));
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
    for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
        if (name == device) return true;
    return name.size() == 4 && (name.rfind("COM", 0) == 0 || name.rfind("LPT", 0) == 0) && name[3] >= '1' &&
           name[3] <= '9';
}
#endif

}  // namespace

std::string WriteTargetRefusal(const std::string& path) {
#ifdef _WIN32
    if (IsReservedDeviceName(path)) return Refusal(path, "a device");
#endif
    std::error_code failed;  // also set for a name that does not exist yet
    const fs::file_type type = fs::symlink_status(PathFromUtf8(path), failed).type();
    if (type == fs::file_type::not_found || type == fs::file_type::regular) return {};
    if (type == fs::file_type::none) return path + " cannot be examined: " + failed.message();
    return Refusal(path, KindWords(type));
}

std::FILE* OpenRegularFileForAppend(const std::string& path, std::string& refusal) {
    refusal = WriteTargetRefusal(path);
    if (!refusal.empty()) return nullptr;
#ifdef _WIN32
    std::FILE* file = _wfopen(PathFromUtf8(path).c_str(), L"ab");
    if (file == nullptr) refusal = std::strerror(errno);
    return file;
#else
    // The checks above and the open are two steps: what is opened is checked again, and
    // without waiting on a FIFO that was put there in between.
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        refusal = errno == ELOOP ? Refusal(path, "a link") : std::strerror(errno);
        return nullptr;
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        refusal = Refusal(path, "a special file");
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "a");
    if (file == nullptr) {
        refusal = std::strerror(errno);
        ::close(fd);
    }
    return file;
#endif
}
