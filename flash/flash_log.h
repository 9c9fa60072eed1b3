#pragma once
// "Flash_log.txt": the outcome of the latest unattended run, for the script that started it.

/// Replaces the log at `path` with the single line "PASS" or "Fail" in one step (a link
/// there is replaced, never written through). True when the new log is in place.
bool WriteFlashLog(const char* path, bool passed);
