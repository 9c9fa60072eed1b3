// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A copy of the whole flash, taken after the chip is identified and before anything is
// erased, so a run that goes wrong can be undone by flashing the copy as the image. It is
// read with the same fast-read pass as the ROM checksum and stored as
// "<directory>/<YYYYmmdd-HHMMSS>-<ID>.bin".

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "hw/ec_channel.h"

inline constexpr const char* kBackupDirectory = "backups";

namespace backup_text {
inline constexpr const char* kReadFailed = "Flash backup read failed, not flashed!!";
inline constexpr const char* kWriteFailed = "Flash backup not written, not flashed!!";
}  // namespace backup_text

struct BackupPlan {
    std::string directory = kBackupDirectory;  // created when missing
    uint32_t bytes = 0;                        // from flash address 0; a multiple of 64 KB
    uint8_t id[3] = {0, 0, 0};                 // the chip ID's first three bytes, for the name
    std::time_t (*wall_clock)(std::time_t*) = std::time;  // the time stamp in the name
};

enum class BackupStatus {
    Written,      // the file holds every byte read, and is on the disk under its final name
    ReadFailed,   // a bounded wait expired during the read (the fault stays set); no file left
    WriteFailed,  // the file could not be created or written whole; no file left (unless only
                  // the directory sync failed, after the rename)
};

struct BackupResult {
    BackupStatus status = BackupStatus::WriteFailed;
    std::string path;    // the backup (Written) or the file that could not be written
    std::string reason;  // WriteFailed: the system's words; ReadFailed: the fault's status text
    std::vector<uint8_t> flash;  // the bytes read, whatever became of the file (empty when the read failed)
};

/// "<YYYYmmdd-HHMMSS>-<ID as 6 uppercase hex digits>.bin", local time.
std::string BackupFileName(std::time_t when, const uint8_t (&id)[3]);

/// Reads `bytes` (whole 64 KB chunks) from flash address 0 through follow mode (which must
/// be on) into `out`, leaving the ROM sum and the dump alone; false when a bounded wait
/// expired (the fault stays set; `out` then holds what was read).
bool ReadFlash(EcChannel& ec, uint32_t bytes, std::vector<uint8_t>& out);

/// Reads plan.bytes from the flash through follow mode (which must be on) and stores them
/// through a temporary file, synced and renamed, the directory synced after. No run's ROM sum
/// and no "LoadRom.bin" dump is touched. A name already taken gets "-2", "-3" ...
BackupResult BackupFlash(EcChannel& ec, const BackupPlan& plan);

/// The status-history line for a backup: where it went, or why the run stops.
std::string BackupStatusLine(const BackupResult& result);
/// The standard-error line for a backup, with the path and any reason in full.
std::string BackupErrorLine(const BackupResult& result);
