// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Flash_log.txt": the outcome of the latest unattended run, for the script that started it.

/// Replaces the log at `path` with the single line "PASS" or "Fail" in one step (a link
/// there is replaced, never written through). True when the new log is in place; a "Fail"
/// that cannot be written removes the earlier log instead and says so on standard error.
bool WriteFlashLog(const char* path, bool passed);
