// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings file as tests write it: the fourteen values as text, in file order, so a
// test can put anything (a bad number, a trailing blank) in any position.

#include <string>

namespace testini {

struct IniValues {
    std::string header = "[Info]";
    std::string acpi_port = "0x3F0";
    std::string fw_version_show = "0";
    std::string hex_display = "0";
    std::string read_method = "0";
    std::string io = "0";
    std::string bram_bank = "0";
    std::string read_bytes = "0";
    std::string start_index = "0x0";
    std::string end_cmd = "0xFE";
    std::string auto_flash = "0";
    std::string warning_show = "0";
    std::string silent_run = "0";
    std::string bin_name = "EC";
    std::string shutdown = "0";
};

/// The file's bytes: sixteen lines, `eol` after the first fifteen, "END" last.
std::string IniText(const IniValues& values, const std::string& eol = "\r\n");

}  // namespace testini
