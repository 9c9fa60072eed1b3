#include "flash/flash_backup.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

#include "hw/atomic_file.h"
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
    if (::mkdir(plan.directory.c_str(), 0755) != 0 && errno != EEXIST) {
        result.path = plan.directory;
        result.reason = SystemReason("mkdir");
        return result;
    }
    const std::string name = FreeName(plan.directory, BackupFileName(plan.wall_clock(nullptr), plan.id));
    result.path = plan.directory + "/" + name;
    // Created before the read, so a directory that cannot take the file stops the run before
    // the flash is touched; the read goes to memory and reaches the file only when whole.
    StagedReplacement file(result.path);
    if (!file.ready()) {
        result.reason = SystemReason("create");
        return result;
    }
    char* bytes = nullptr;
    size_t length = 0;
    std::FILE* memory = ::open_memstream(&bytes, &length);
    if (memory == nullptr) {
        result.reason = SystemReason("memory");
        return result;
    }
    const bool read_whole = ReadFlashInto(memory, plan.bytes);
    const bool held = std::fclose(memory) == 0;
    const std::unique_ptr<char, decltype(&std::free)> owned(bytes, &std::free);
    if (!read_whole) {
        result.status = BackupStatus::ReadFailed;
        result.reason = HW_FaultText(g_HwFault);
        return result;
    }
    if (!held || length != plan.bytes) {
        result.reason = "memory: the read-back was not held whole";
        return result;
    }
    if (!file.Append(std::string_view(bytes, length))) {
        result.reason = SystemReason("write");
        return result;
    }
    if (!file.Commit()) {
        result.reason = SystemReason("commit");
        return result;
    }
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
