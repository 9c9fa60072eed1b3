#include "cli/image_argument.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "flash/image_reader.h"

ImageArgument::~ImageArgument() {
    if (file_ != nullptr) std::fclose(file_);
}

std::optional<ExitStatus> ImageArgument::Open(const std::string& path, const std::string& command, CliOutput& out) {
    // Never blocks on a FIFO, and a device is refused before anything reads from it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return out.Result(command, ExitStatus::Usage,
                          "cannot open the image " + path + ": " + std::strerror(errno) + "; check the path");
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return out.Result(command, ExitStatus::Usage, "the image " + path + " is not a regular file; name an image file");
    }
    if (info.st_size == 0) {
        ::close(fd);
        return out.Result(command, ExitStatus::Usage, "the image " + path + " is empty; name the right image file");
    }
    if (static_cast<uint64_t>(info.st_size) > kMaxImageBytes) {
        ::close(fd);
        return out.Result(command, ExitStatus::Refused,
                          "the image " + path + " has " + std::to_string(info.st_size) +
                              " bytes, more than the 16 MiB the flash address reaches; nothing was written");
    }
    ::fcntl(fd, F_SETFL, 0);  // back to blocking reads
    file_ = ::fdopen(fd, "rb");
    if (file_ == nullptr) {
        ::close(fd);
        return out.Result(command, ExitStatus::Usage, "cannot read the image " + path + ": " + std::strerror(errno));
    }
    size_ = static_cast<uint64_t>(info.st_size);
    return std::nullopt;
}
