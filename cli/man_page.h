// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The manual page of vantu-cli in roff, made from the command-line definition, the exit
// status table and the JSON field table, so the page cannot say other than the program does.

#include <string>

#include <CLI/CLI.hpp>

/// The whole page for `app` as DefineCommandLine built it.
std::string ManPage(const CLI::App& app);

/// `text` made safe for a roff line: backslashes escaped, a leading dot or quote guarded,
/// hyphens kept as hyphens (not turned into dashes).
std::string RoffText(const std::string& text);
