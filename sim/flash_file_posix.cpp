// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "sim/flash_store.h"

namespace sim {
namespace {

std::runtime_error FileError(const std::string& what, const std::string& path) {
    return std::runtime_error("flash file " + path + ": " + what + ": " + std::strerror(errno));
}

}  // namespace

uint8_t* MapFlashFile(const std::string& path, uint32_t size) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) throw FileError("cannot open", path);
    // Two processes may share one flash (a second program run while the first flashes): the
    // one that creates or grows the file fills it under the lock, so the other never sees a
    // half-filled file nor fills over bytes already programmed.
    if (::flock(fd, LOCK_EX) != 0) {
        ::close(fd);
        throw FileError("cannot lock", path);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        throw FileError("cannot stat", path);
    }
    const auto old_size = static_cast<uint64_t>(info.st_size);
    if (old_size != size && ::ftruncate(fd, size) != 0) {
        ::close(fd);
        throw FileError("cannot resize", path);
    }
    void* mapping = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (mapping == MAP_FAILED) {
        ::close(fd);
        throw FileError("cannot map", path);
    }
    auto* data = static_cast<uint8_t*>(mapping);
    if (old_size < size) std::memset(data + old_size, 0xFF, size - old_size);
    // The mapping keeps the open file, and with it the lock, alive: unlock by hand.
    ::flock(fd, LOCK_UN);
    ::close(fd);
    return data;
}

void UnmapFlashFile(uint8_t* data, uint32_t size) { ::munmap(data, size); }

}  // namespace sim
