// SPDX-License-Identifier: GPL-3.0-or-later
#include "ini_text.h"

namespace testini {

std::string IniText(const IniValues& v, const std::string& eol) {
    const std::string lines[] = {
        v.header,
        "ACPI PORT=" + v.acpi_port,
        "FW VERSION SHOW=" + v.fw_version_show,
        "HEX DISPLAY=" + v.hex_display,
        "Read Method=" + v.read_method,
        "IO=" + v.io,
        "BRAM BANK=" + v.bram_bank,
        "Read BYTES=" + v.read_bytes,
        "BRAM Start index=" + v.start_index,
        "FlashEnd CMD=" + v.end_cmd,
        "AutoFlash=" + v.auto_flash,
        "Warring Show=" + v.warning_show,
        "SilentRun=" + v.silent_run,
        "BinName=" + v.bin_name,
        "Shutdown=" + v.shutdown,
    };
    std::string text;
    for (const std::string& line : lines) text += line + eol;
    return text + "END";
}

}  // namespace testini
