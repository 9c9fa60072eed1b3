// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Who watches the run, and the unattended run's contract with the script that started it:
// "Flash_log.txt" says PASS only after a pass and Fail from the moment the run is known to
// be unattended, any other end than a pass gives status 1, and every text the run shows
// also reaches standard error.

#include <QString>

enum class RunMode {
    Unknown,      // the settings were not read as far as AutoFlash
    Interactive,  // AutoFlash is not 1
    Unattended,   // AutoFlash is 1
};

inline constexpr const char* kFlashLogName = "Flash_log.txt";

/// Sets who watches; `silent` (SilentRun set) counts as nobody watching as well.
void SetRunMode(RunMode mode, bool silent);
RunMode CurrentRunMode();
/// Unattended or silent: boxes close themselves and status texts also go to standard error.
bool NobodyWatching();

/// "Fail" replaces whatever an earlier run left in the log; true when written.
bool ClaimFlashLog();
/// For a run that cannot tell whether it is unattended: a log an earlier run left says
/// "Fail" from now on, and none is created.
void WithdrawStaleFlashLog();
/// Writes "PASS" or "Fail" to the log; true when written.
bool RecordFlashOutcome(bool passed);

/// Puts every file written in the working directory on the disk: a restart may follow.
void SyncWorkingDirectory();

/// `text` as one line on standard error.
void WriteErrorLine(const QString& text);
/// `text` also goes to standard error, one line, when nobody watches.
void EchoForScript(const QString& text);

/// Inside a catch block: the text of the error being handled.
QString CurrentErrorText();

/// An error escaped the run: it is shown; unless the run is known to be interactive the log
/// says Fail and the result is status 1, else 0.
int EndAbnormally(const QString& what);
