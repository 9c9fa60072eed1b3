// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the command line asked for, as plain values; nothing here has been checked against the
// hardware yet.

#include <cstdint>
#include <optional>
#include <string>

enum class CliCommand { None, Probe, Read, Write, Verify, Sum };

struct CliRequest {
    CliCommand command = CliCommand::None;
    std::string file;               // read: the file written; write, verify, sum: the image
    bool rom = false;               // sum --rom
    std::optional<uint64_t> size;   // read, sum --rom: bytes from flash address 0
    bool only_changed = false;      // write
    bool dry_run = false;           // write: every check and the plan, nothing written
    bool no_backup = false;         // write
    bool yes = false;               // write: no confirmation asked

    // Common options; unset ones come from the settings (a file or the defaults).
    std::optional<std::string> port;     // EC data port, hexadecimal text
    std::optional<int> sio_index_port;   // 0x2E or 0x4E
    std::optional<int> bram_bank;        // 0 or 1
    std::optional<std::string> end_cmd;  // hexadecimal text
    std::string settings_file;           // empty: the defaults of a missing settings file
    bool json = false;
    bool quiet = false;
    std::string log_file;
    std::string record_file;  // every port access of the run goes into this record
};
