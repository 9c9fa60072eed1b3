#include <fcntl.h>
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

uint8_t* MapFlashFile(const std::string& path, uint32_t size, uint64_t& old_size) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) throw FileError("cannot open", path);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        throw FileError("cannot stat", path);
    }
    old_size = static_cast<uint64_t>(info.st_size);
    if (old_size != size && ::ftruncate(fd, size) != 0) {
        ::close(fd);
        throw FileError("cannot resize", path);
    }
    void* mapping = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);  // the mapping keeps the file open
    if (mapping == MAP_FAILED) throw FileError("cannot map", path);
    return static_cast<uint8_t*>(mapping);
}

void UnmapFlashFile(uint8_t* data, uint32_t size) { ::munmap(data, size); }

}  // namespace sim
