// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "uiset.ini": the positional reader and the writer. The reader fills a record and says how
// far it got; it knows nothing of any window.

#include <cstddef>
#include <cstdio>
#include <string>

#include "settings/ui_settings.h"

/// The values of the file by position: value n is taken from line n + 1 (line 1 is a header).
enum SettingsValueNo : int {
    kValueAcpiPort = 1,
    kValueFwVersionShow,
    kValueHexDisplay,
    kValueReadMethod,
    kValueSioSelect,
    kValueBramBank,
    kValueReadBytes,
    kValueBramStartIndex,
    kValueFlashEndCmd,
    kValueAutoFlash,
    kValueWarningShow,
    kValueSilentRun,
    kValueBinName,
    kValueShutdown,
};
inline constexpr int kSettingsValueCount = kValueShutdown;

/// The key the writer puts before value `value_no` (1 to 14); the reader never looks at it.
const char* SettingsKey(int value_no);

enum class SettingsLoadStatus {
    Loaded,          // all fourteen values read
    CannotOpen,      // the file could not be opened; nothing changed
    NotRegularFile,  // a FIFO, a device or anything else that is not a plain file: not read
    BadValue,        // a value was rejected; reading stopped there
};

struct SettingsLoadResult {
    SettingsLoadStatus status = SettingsLoadStatus::CannotOpen;
    /// Every value read, stored as it was read (byte flags as 0 or 1); zero for the rest.
    UiSettings values;
    /// How many values were read before the first failure (14 when loaded).
    int values_read = 0;
    /// The first failure: for BadValue "'<text>' is not a valid integer value"; for
    /// NotRegularFile what the file is instead.
    std::string error;
    /// The first value whose line was longer than one read takes (0: none). The rest of such
    /// a line is read as the next value, so every later value comes from the wrong line.
    int cut_line_value = 0;
};

/// The longest line one read takes, its line end included; the rest is the next read.
inline constexpr size_t kMaxIniLineBytes = 499;

/// Reads the next line of `file` (at most kMaxIniLineBytes bytes) and returns the text after
/// its last '=' up to the first CR or LF, so CR LF and LF alone end a line alike. `line_cut`
/// (optional) tells whether the line went on beyond what was read.
std::string ReadIniValue(std::FILE* file, bool* line_cut = nullptr);

/// Reads the settings file at `path` positionally without blocking: anything but a regular
/// file (a link to one is fine) is refused. Blanks around a number are allowed. The status is
/// Loaded only when every value was read.
SettingsLoadResult LoadSettingsFile(const char* path);

/// The record a load leaves in effect: values 1 to 7 only once all seven were read (they are
/// taken over together), each later value as soon as it was read, zero for the rest.
UiSettings SettingsInEffect(const SettingsLoadResult& result);

/// What is wrong with the file after a BadValue load, naming the value and its key, e.g.
/// "value 14 (Shutdown) 'yes' is not a valid integer value"; empty for any other result.
std::string SettingsProblemText(const SettingsLoadResult& result);

/// The longest `BinName` the reader takes back in one piece: line 14 with its CR LF must fit
/// one read, or the rest of it would shift every later value.
inline constexpr size_t kMaxBinNameBytes = kMaxIniLineBytes - 10;

/// Writes the sixteen lines to a temporary file beside `path` and renames it over `path`,
/// so that a failure at any point leaves the old file untouched. Writes nothing unless
/// `loaded` says the last load read every value (so a file that failed to load is never
/// rewritten with values that were not read from it), nor when `BinName` (up to a line break) is longer than
/// kMaxBinNameBytes, nor when the file already holds exactly these bytes. True when the
/// file holds the new text.
bool SaveSettingsFile(const char* path, const UiSettings& settings, bool loaded);
