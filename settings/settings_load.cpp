#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "settings/int_convert.h"
#include "settings/settings_file.h"

uint8_t g_SettingsLoaded = 0;

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The first line is a header whatever it says: everything up to and including the first
// LF goes, even when the line is empty.
void SkipFirstLine(std::FILE* file) {
    int c;
    do {
        c = std::fgetc(file);
    } while (c != EOF && c != '\n');
}

std::string FourHexDigits(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

uint8_t Flag(int32_t value) { return value != 0 ? 1 : 0; }

// Reads one value and converts it; on a rejected text records the error for the caller.
class ValueReader {
public:
    ValueReader(std::FILE* file, SettingsLoadResult& result) : file_(file), result_(result) {}

    std::optional<int32_t> Number() {
        std::string text = ReadIniValue(file_);
        std::optional<int32_t> number = ParseInt(text);
        if (!number) {
            result_.status = SettingsLoadStatus::BadValue;
            result_.error = InvalidIntegerMessage(text);
        }
        return number;
    }
    std::string Text() { return ReadIniValue(file_); }

private:
    std::FILE* file_;
    SettingsLoadResult& result_;
};

// Values 1 to 14 in file order; each control is set as soon as its value is read, and the
// first seven fields are stored together after value 7. False at the first rejected value.
bool ReadValues(ValueReader& read, UiSettings& settings, SettingsControls& controls) {
    auto acpi_port = read.Number();
    if (!acpi_port) return false;
    uint32_t data_port = static_cast<uint32_t>(*acpi_port);
    controls.SetPortTexts(FourHexDigits(data_port), FourHexDigits(data_port + 4));

    auto version_show = read.Number();
    if (!version_show) return false;
    controls.SetVersionShown(*version_show != 0);

    auto hex_display = read.Number();
    if (!hex_display) return false;
    controls.SelectHexDisplay(*hex_display != 0);

    auto read_method = read.Number();
    if (!read_method) return false;
    controls.SelectReadMethodBram(*read_method != 0);

    auto sio_select = read.Number();
    if (!sio_select) return false;
    controls.SelectIo4E(*sio_select != 0);

    auto bram_bank = read.Number();
    if (!bram_bank) return false;
    controls.SelectBank1(*bram_bank != 0);

    auto read_bytes = read.Number();
    if (!read_bytes) return false;
    controls.SelectReadBytes5(*read_bytes != 0);

    settings.AcpiPort = *acpi_port;
    settings.FwVersionShow = *version_show;
    settings.HexDisplay = *hex_display;
    settings.ReadMethod = Flag(*read_method);
    settings.SioSelect = Flag(*sio_select);
    settings.BramBank = Flag(*bram_bank);
    settings.ReadBytes = *read_bytes;

    auto start_index = read.Number();
    if (!start_index) return false;
    settings.BramStartIndex = *start_index;

    auto end_cmd = read.Number();
    if (!end_cmd) return false;
    settings.FlashEndCmd = *end_cmd;

    auto auto_flash = read.Number();
    if (!auto_flash) return false;
    settings.AutoFlash = Flag(*auto_flash);

    auto warning_show = read.Number();
    if (!warning_show) return false;
    settings.WarningShow = Flag(*warning_show);

    auto silent_run = read.Number();
    if (!silent_run) return false;
    settings.SilentRun = Flag(*silent_run);

    settings.BinName = read.Text();

    auto shutdown = read.Number();
    if (!shutdown) return false;
    settings.Shutdown = Flag(*shutdown);
    return true;
}

}  // namespace

SettingsLoadResult LoadSettingsFile(const char* path, UiSettings& settings, SettingsControls& controls) {
    SettingsLoadResult result;
    FilePtr file(std::fopen(path, "rb"));
    if (!file) {
        result.status = SettingsLoadStatus::CannotOpen;
        return result;
    }

    SkipFirstLine(file.get());
    ValueReader read(file.get(), result);
    if (!ReadValues(read, settings, controls)) {
        // The record now mixes values read with values that were not: never write it back.
        g_SettingsLoaded = 0;
        return result;
    }
    g_SettingsLoaded = 1;
    result.status = SettingsLoadStatus::Loaded;
    return result;
}
