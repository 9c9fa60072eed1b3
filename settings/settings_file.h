#pragma once
// "uiset.ini": the positional reader and the writer.

#include <cstddef>
#include <cstdio>
#include <string>

#include "settings/ui_settings.h"

/// The window's side of the reader: each call sets controls through their normal state
/// changes, so a radio button's or the check box's click handler runs exactly when its
/// state changes. Calls come in file order, as each value is read.
class SettingsControls {
public:
    virtual ~SettingsControls() = default;
    /// Value 1: the data-port edit and the command-port edit (data port + 4), as at least
    /// four uppercase hexadecimal digits.
    virtual void SetPortTexts(const std::string& data_port, const std::string& cmd_port) = 0;
    /// Value 2: tick (or untick) the version check box, then show or hide the version labels.
    virtual void SetVersionShown(bool shown) = 0;
    /// Value 3: select the "ON" (true) or "OFF" button of the hex display group.
    virtual void SelectHexDisplay(bool on) = 0;
    /// Value 4: select "BRAM" (true) or "EC SPACE", and show or hide the BRAM setting group.
    virtual void SelectReadMethodBram(bool bram) = 0;
    /// Value 5: select "4E/4F" (true) or "2E/2F".
    virtual void SelectIo4E(bool io_4e) = 0;
    /// Value 6: select "Bank1" (true) or "Bank0".
    virtual void SelectBank1(bool bank1) = 0;
    /// Value 7: select "5Bytes" (true) or "2Bytes".
    virtual void SelectReadBytes5(bool five) = 0;
};

enum class SettingsLoadStatus {
    Loaded,      // all fourteen values read
    CannotOpen,  // the file could not be opened; nothing changed
    BadValue,    // a value was rejected; reading stopped there
};

struct SettingsLoadResult {
    SettingsLoadStatus status = SettingsLoadStatus::CannotOpen;
    std::string error;  // for BadValue: "'<text>' is not a valid integer value"
};

/// Set to 1 only when a load read every value, so that a file that failed to load is
/// never rewritten with values that were not read from it.
extern uint8_t g_SettingsLoaded;

/// Reads the next line of `file` (at most 499 bytes) and returns the text after its last
/// '=' up to a CR; without a CR the rest of the line, LF included.
std::string ReadIniValue(std::FILE* file);

/// Reads the settings file at `path` into `settings` and the controls, positionally.
/// Sets g_SettingsLoaded when every value was read and clears it when one was rejected.
SettingsLoadResult LoadSettingsFile(const char* path, UiSettings& settings, SettingsControls& controls);

/// The longest `BinName` the reader takes back in one piece: line 14 with its CR LF must fit
/// one 499-byte read, or the rest of it would shift every later value.
inline constexpr size_t kMaxBinNameBytes = 489;

/// Writes the sixteen lines to a temporary file beside `path` and renames it over `path`,
/// so that a failure at any point leaves the old file untouched. Writes nothing unless
/// g_SettingsLoaded is 1, nor when `BinName` (up to a line break) is longer than
/// kMaxBinNameBytes. True when the new file is in place.
bool SaveSettingsFile(const char* path, const UiSettings& settings);
