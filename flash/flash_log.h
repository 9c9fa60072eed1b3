#pragma once
// "Flash_log.txt": the outcome of the latest unattended run, for the script that started it.

/// Replaces the log at `path` with the single line "PASS" or "Fail". True when it was written.
bool WriteFlashLog(const char* path, bool passed);
