// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/flash_backup.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>

#include "hw/hw_fault.h"
#include "platform/atomic_file.h"
#include "platform/utf8_path.h"
#include "spi/chunk_state.h"
#include "spi/verify.h"

namespace {

namespace fs = std::filesystem;

constexpr int kMaxNameTries = 100;

// The backup's path in the platform's own form, so the text shown names it as the user's
// system writes paths, not half in each.
std::string InDirectory(const std::string& directory, const std::string& name) {
#ifdef _WIN32
    return directory + "\\" + name;
#else
    return directory + "/" + name;
#endif
}

// The backup goes through the shared atomic writer: a fresh temporary file beside the final
// name (never through a link), filled through the descriptor that created it, synced and
// renamed, the directory synced after.
class AtomicBackupFile {
public:
    AtomicBackupFile(const std::string& directory, const std::string& name) : directory_(directory), name_(name) {}

    bool Create(std::string& reason) {
        std::error_code failed;
        fs::create_directory(PathFromUtf8(directory_), failed);
        // A file in the way of the directory: say so, rather than that something exists.
        if (failed == std::errc::file_exists) failed = std::make_error_code(std::errc::not_a_directory);
        if (failed) return Fail(reason, "mkdir", failed.message());
        staged_.emplace(InDirectory(directory_, name_), ReplaceRule::RegularFileOnly);
        if (!staged_->refusal().empty()) return Fail(reason, "create", staged_->refusal());
        if (!staged_->ready()) return Fail(reason, "create", std::strerror(errno));
        if (staged_->stream() == nullptr) return Fail(reason, "open stream", std::strerror(errno));
        return true;
    }

    std::FILE* file() { return staged_->stream(); }

    bool Commit(std::string& reason) {
        if (std::ferror(staged_->stream()) != 0) return Fail(reason, "write", std::strerror(errno));
        if (!staged_->Commit()) return Fail(reason, "write, sync and rename", std::strerror(errno));
        return true;
    }

private:
    bool Fail(std::string& reason, const char* step, const std::string& why) {
        reason = std::string(step) + ": " + why;
        staged_.reset();  // removes the temporary file
        return false;
    }

    std::string directory_;
    std::string name_;
    std::optional<StagedReplacement> staged_;
};

// An earlier backup is never replaced: two in the same second get a number.
std::string FreeName(const std::string& directory, const std::string& base) {
    const std::string stem = base.substr(0, base.size() - 4);
    for (int n = 1; n <= kMaxNameTries; ++n) {
        const std::string name = n == 1 ? base : stem + "-" + std::to_string(n) + ".bin";
        std::error_code failed;  // set also for a name that is free
        if (fs::symlink_status(PathFromUtf8(InDirectory(directory, name)), failed).type() == fs::file_type::not_found)
            return name;
    }
    return base;  // the rename then fails only if that file is in the way of a directory
}

}  // namespace

bool ReadFlash(EcChannel& ec, uint32_t bytes, std::vector<uint8_t>& out) {
    out.assign(bytes / kChunkBytes * kChunkBytes, 0xFF);
    for (uint32_t chunk = 0; chunk < bytes / kChunkBytes; ++chunk) {
        if (!SPI_ReadChunk(ec, static_cast<uint8_t>(chunk), 0x00, 0x00, out.data() + uint64_t{chunk} * kChunkBytes))
            return false;
    }
    return !ec.faulted();
}

std::string BackupFileName(std::time_t when, const uint8_t (&id)[3]) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &when);
#else
    localtime_r(&when, &local);
#endif
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    char name[64];
    std::snprintf(name, sizeof name, "%s-%02X%02X%02X.bin", stamp, id[0], id[1], id[2]);
    return name;
}

BackupResult BackupFlash(EcChannel& ec, const BackupPlan& plan) {
    BackupResult result;
    const std::string name = FreeName(plan.directory, BackupFileName(plan.wall_clock(nullptr), plan.id));
    result.path = InDirectory(plan.directory, name);
    AtomicBackupFile file(plan.directory, name);
    if (!file.Create(result.reason)) return result;
    if (!ReadFlash(ec, plan.bytes, result.flash)) {
        result.flash.clear();
        result.status = BackupStatus::ReadFailed;
        result.reason = HW_FaultText(ec.fault());
        return result;
    }
    // A short write leaves the stream's error set; Commit finds it and puts nothing in place.
    std::fwrite(result.flash.data(), 1, result.flash.size(), file.file());
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
