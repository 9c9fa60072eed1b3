// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line of vantu-cli, defined once with CLI11: the parser, --help and the manual
// page all read this one definition.

#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/cli_request.h"

inline constexpr const char* kProgramName = "vantu-cli";

/// Adds every command and option to `app`, storing the values into `request` when parsed.
void DefineCommandLine(CLI::App& app, CliRequest& request);

/// A hexadecimal number as the port and command options take it ("3F0", "0x3F0"); nullopt for
/// anything else, including an empty text or one too long to be a port.
std::optional<int64_t> ParseHexNumber(const std::string& text);

/// A size as --size takes it: decimal or 0x-hexadecimal digits, then an optional unit (K, KB,
/// KiB, M, MB, MiB: powers of 1024); nullopt for anything else or a number too large to be a size.
std::optional<uint64_t> ParseSize(const std::string& text);

/// The bytes of one flash chunk; --size must be a multiple of it.
inline constexpr uint64_t kSizeUnit = 0x10000;
/// The most --size can ask for: the 24-bit flash address reaches 16 MiB.
inline constexpr uint64_t kMaxSize = 0x1000000;
