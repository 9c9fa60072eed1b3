// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/command_line.h"

#include <cctype>
#include <map>

#include "cli/exit_status.h"

namespace {

const CLI::Validator kHexNumber(
    [](std::string& text) -> std::string {
        return ParseHexNumber(text) ? std::string() : "'" + text + "' is not a hexadecimal number (e.g. 3F0 or 0x3F0)";
    },
    "");

// Turns the text into its number of bytes, which CLI11 then stores.
const CLI::Validator kWholeChunks(
    [](std::string& text) -> std::string {
        const std::optional<uint64_t> bytes = ParseSize(text);
        if (!bytes) return "'" + text + "' is not a size; give e.g. 64K, 128K, 4M or 0x10000";
        if (*bytes > kMaxSize) return text + " is more than the 16 MiB the flash address reaches";
        if (*bytes == 0 || *bytes % kSizeUnit != 0)
            return text + " is not a multiple of 64 KB; give e.g. 64K, 128K or 4M";
        text = std::to_string(*bytes);
        return {};
    },
    "");

std::string ExitStatusFooter() {
    std::string text = "Exit status:\n";
    for (const ExitStatusDoc& doc : ExitStatusDocs())
        text += "  " + std::to_string(AsInt(doc.status)) + "  " + doc.meaning + "\n";
    text += "\nRun '" + std::string(kProgramName) +
            " COMMAND --help' for the options of one command; 'man vantu-cli' has the JSON fields.";
    return text;
}

void AddSize(CLI::App& command, CliRequest& request, const std::string& what) {
    command.add_option("--size", request.size, what)
        ->type_name("SIZE")
        ->transform(kWholeChunks);
}

}  // namespace

std::optional<int64_t> ParseHexNumber(const std::string& text) {
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) digits.erase(0, 2);
    // Eight digits hold any 32-bit value; more can only be a typing error.
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    int64_t value = 0;
    for (char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 16 + (std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10);
    }
    return value;
}

std::optional<uint64_t> ParseSize(const std::string& text) {
    size_t pos = 0;
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        pos = 2;
    }
    uint64_t value = 0;
    const size_t digits_start = pos;
    for (; pos < text.size() && std::isxdigit(static_cast<unsigned char>(text[pos])); ++pos) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[pos])));
        const unsigned digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : c - 'a' + 10;
        if (digit >= base) break;
        // Far above any flash: a longer number is refused rather than wrapped.
        if (value > (uint64_t{1} << 40)) return std::nullopt;
        value = value * base + digit;
    }
    if (pos == digits_start) return std::nullopt;
    std::string unit = text.substr(pos);
    for (char& c : unit) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    static const std::map<std::string, uint64_t> kUnits = {
        {"", 1}, {"b", 1}, {"k", 1024}, {"kb", 1024}, {"kib", 1024}, {"m", 1 << 20}, {"mb", 1 << 20}, {"mib", 1 << 20}};
    const auto found = kUnits.find(unit);
    if (found == kUnits.end()) return std::nullopt;
    return value * found->second;
}

void DefineCommandLine(CLI::App& app, CliRequest& request) {
    app.description(
        "Rewrites, reads and checks the firmware flash of a PC embedded controller (EC) through I/O ports, "
        "with the same checks as the Vantu window. Needs root (raw port access).");
    app.require_subcommand(1);
    // Common options may also follow the command.
    app.fallthrough();
    app.footer(ExitStatusFooter());

    app.add_option("--port", request.port, "EC data port, hexadecimal; the command port is 4 above it (default 3F0)")
        ->type_name("HEX")
        ->check(kHexNumber);
    app.add_option("--sio", request.sio_index_port, "Super I/O index port pair: 2e (2E/2F, default) or 4e (4E/4F)")
        ->type_name("2e|4e")
        ->transform(CLI::CheckedTransformer(std::map<std::string, int>{{"2e", 0x2E}, {"4e", 0x4E}}, CLI::ignore_case)
                        .description(""));
    app.add_option("--bram-bank", request.bram_bank, "BRAM bank of the version bytes: 0 (default) or 1")
        ->type_name("0|1")
        ->check(CLI::IsMember({0, 1}).description(""));
    app.add_option("--end-cmd", request.end_cmd,
                   "EC command, hexadecimal, that ends a write and releases the EC (default FE, or the settings "
                   "file's FlashEnd CMD with --settings; 00 only when given); 01 to 05 are refused. Reading "
                   "commands end with FC")
        ->type_name("HEX")
        ->check(kHexNumber);
    app.add_option("--settings", request.settings_file,
                   "take the defaults from this settings file (uiset.ini) instead of those of a missing one; "
                   "options given here still win")
        ->type_name("FILE");
    app.add_flag("--json", request.json, "print one JSON object per event and a final result object on stdout");
    app.add_flag("--quiet", request.quiet, "no progress and no summary; errors still go to stderr");
    app.add_option("--log", request.log_file, "also append the progress lines and the result to this file")
        ->type_name("FILE");
    app.add_option("--record", request.record_file,
                   "record every port access of this run into FILE (replaced in one step, also when the run "
                   "fails); a record replays in the simulated port library")
        ->type_name("FILE");
    // The version alone on the first line, for scripts that compare it.
    app.set_version_flag("--version", VANTU_VERSION
                         "\nCopyright 2026 Vantu developers."
                         "\nLicence GPL-3.0-or-later: GNU GPL version 3 or later <https://www.gnu.org/licenses/gpl-3.0.html>."
                         "\nThis is free software: you are free to change and redistribute it."
                         "\nThere is NO WARRANTY, to the extent permitted by law.");

    CLI::App* probe = app.add_subcommand(
        "probe",
        "show whether the EC answers, the Super I/O chip ID, the flash chip's JEDEC ID with its capacity and "
        "variant (erase kind, programming algorithm) and the running firmware version; reads only");
    probe->callback([&request] { request.command = CliCommand::Probe; });

    CLI::App* read = app.add_subcommand("read", "read the whole flash into FILE, which is replaced in one step");
    read->add_option("FILE", request.file, "the file to write")->required();
    AddSize(*read, request, "bytes to read from address 0, a multiple of 64K (default: the chip's capacity)");
    read->callback([&request] { request.command = CliCommand::Read; });

    CLI::App* write = app.add_subcommand(
        "write",
        "flash IMAGE with every check: the EC, the lock, the battery, the image against the chip, and a "
        "backup of the flash before the first erase");
    write->add_option("IMAGE", request.file, "the firmware image (raw, byte i at flash address i)")->required();
    write->add_flag("--only-changed", request.only_changed,
                    "read each 64 KB chunk first and erase, program and verify only those that differ");
    write->add_flag("--dry-run", request.dry_run,
                    "rehearse: every check, the chip's identification and one read of the flash, then the plan "
                    "(the chunks that would be erased and programmed, bytes, estimated time); writes nothing");
    write->add_flag("--no-backup", request.no_backup, "do not save the flash to backups/ before erasing");
    write->add_flag("--yes,-y", request.yes, "do not ask for confirmation (needed when no terminal is attached)");
    write->callback([&request] { request.command = CliCommand::Write; });

    CLI::App* verify = app.add_subcommand(
        "verify", "compare the flash with IMAGE and report the first differing address of each chunk; writes nothing");
    verify->add_option("IMAGE", request.file, "the firmware image")->required();
    verify->callback([&request] { request.command = CliCommand::Verify; });

    CLI::App* sum = app.add_subcommand(
        "sum", "byte sum of IMAGE as a flash run sums it, or with --rom of the flash (dumped to LoadRom.bin)");
    sum->add_option("IMAGE", request.file, "the firmware image");
    sum->add_flag("--rom", request.rom, "sum the flash instead of an image");
    AddSize(*sum, request, "with --rom: bytes to sum from address 0, a multiple of 64K (default 128K)");
    sum->callback([&request] { request.command = CliCommand::Sum; });
}
