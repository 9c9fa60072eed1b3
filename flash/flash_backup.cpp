#include "flash/flash_backup.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "hw/hw_fault.h"
#include "spi/chunk_state.h"
#include "spi/verify.h"

namespace {

constexpr int kMaxNameTries = 100;

std::string SystemReason(const char* step) { return std::string(step) + ": " + std::strerror(errno); }

// The read-back writes each byte it reads to the dump stream; pointed at the backup file for
// the pass, it fills it. The ROM sum and any dump that was open are put back afterwards.
bool ReadFlashInto(std::FILE* file, uint32_t bytes) {
    std::FILE* const saved_dump = g_DumpFile;
    const uint8_t saved_open = g_DumpOpen;
    const uint32_t saved_sum = g_RomSum;
    g_DumpFile = file;
    g_DumpOpen = 1;
    bool read_whole = true;
    for (uint32_t chunk = 0; chunk < bytes / kChunkBytes && read_whole; ++chunk)
        read_whole = SPI_ReadBackChunk(static_cast<uint8_t>(chunk), 0x00, 0x00) && !HW_Faulted();
    g_DumpFile = saved_dump;
    g_DumpOpen = saved_open;
    g_RomSum = saved_sum;
    return read_whole;
}

// Stand-in for the shared atomic file writer (switch to it at merge): temporary file created
// fresh (never through a link), filled, synced, renamed over the final name, directory synced.
class AtomicBackupFile {
public:
    AtomicBackupFile(const std::string& directory, const std::string& name) : directory_(directory), name_(name) {}
    ~AtomicBackupFile() { Abandon(); }

    bool Create(std::string& reason) {
        if (::mkdir(directory_.c_str(), 0755) != 0 && errno != EEXIST) return Fail(reason, "mkdir");
        dir_fd_ = ::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir_fd_ < 0) return Fail(reason, "open directory");
        temp_ = "." + name_ + ".tmp";
        ::unlinkat(dir_fd_, temp_.c_str(), 0);  // left over from a run that died mid-write
        const int fd = ::openat(dir_fd_, temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) return Fail(reason, "create");
        file_ = ::fdopen(fd, "wb");
        if (file_ == nullptr) {
            ::close(fd);
            return Fail(reason, "open stream");
        }
        return true;
    }

    std::FILE* file() { return file_; }

    bool Commit(std::string& reason) {
        const bool written = std::fflush(file_) == 0 && std::ferror(file_) == 0;
        if (!written) return Fail(reason, "write");
        if (::fsync(::fileno(file_)) != 0) return Fail(reason, "fsync");
        const int closed = std::fclose(file_);
        file_ = nullptr;
        if (closed != 0) return Fail(reason, "close");
        if (::renameat(dir_fd_, temp_.c_str(), dir_fd_, name_.c_str()) != 0) return Fail(reason, "rename");
        temp_.clear();
        // The new name is on the disk only once the directory is.
        if (::fsync(dir_fd_) != 0) return Fail(reason, "fsync directory");
        return true;
    }

private:
    bool Fail(std::string& reason, const char* step) {
        reason = SystemReason(step);
        Abandon();
        return false;
    }
    void Abandon() {
        if (file_ != nullptr) std::fclose(file_);
        file_ = nullptr;
        if (dir_fd_ >= 0 && !temp_.empty()) ::unlinkat(dir_fd_, temp_.c_str(), 0);
        temp_.clear();
        if (dir_fd_ >= 0) ::close(dir_fd_);
        dir_fd_ = -1;
    }

    std::string directory_;
    std::string name_;
    std::string temp_;
    int dir_fd_ = -1;
    std::FILE* file_ = nullptr;
};

// An earlier backup is never replaced: two in the same second get a number.
std::string FreeName(const std::string& directory, const std::string& base) {
    const std::string stem = base.substr(0, base.size() - 4);
    for (int n = 1; n <= kMaxNameTries; ++n) {
        const std::string name = n == 1 ? base : stem + "-" + std::to_string(n) + ".bin";
        struct stat info {};
        if (::lstat((directory + "/" + name).c_str(), &info) != 0 && errno == ENOENT) return name;
    }
    return base;  // the rename then fails only if that file is in the way of a directory
}

}  // namespace

std::string BackupFileName(std::time_t when, const uint8_t (&id)[3]) {
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    char name[64];
    std::snprintf(name, sizeof name, "%s-%02X%02X%02X.bin", stamp, id[0], id[1], id[2]);
    return name;
}

BackupResult BackupFlash(const BackupPlan& plan) {
    BackupResult result;
    const std::string name = FreeName(plan.directory, BackupFileName(plan.wall_clock(nullptr), plan.id));
    result.path = plan.directory + "/" + name;
    AtomicBackupFile file(plan.directory, name);
    if (!file.Create(result.reason)) return result;
    if (!ReadFlashInto(file.file(), plan.bytes)) {
        result.status = BackupStatus::ReadFailed;
        result.reason = HW_FaultText(g_HwFault);
        return result;
    }
    if (!file.Commit(result.reason)) return result;
    result.status = BackupStatus::Written;
    return result;
}

std::string BackupStatusLine(const BackupResult& result) {
    switch (result.status) {
        case BackupStatus::Written: return "Flash backup: " + result.path;
        case BackupStatus::ReadFailed: return backup_text::kReadFailed;
        case BackupStatus::WriteFailed: return backup_text::kWriteFailed;
    }
    return "";
}

std::string BackupErrorLine(const BackupResult& result) {
    switch (result.status) {
        case BackupStatus::Written: return "vantu: the flash as it was is saved in " + result.path;
        case BackupStatus::ReadFailed:
            return "vantu: the flash could not be read for its backup (" + result.reason + "); nothing was erased";
        case BackupStatus::WriteFailed:
            return "vantu: the flash backup " + result.path + " could not be written (" + result.reason +
                   "); nothing was erased";
    }
    return "";
}
