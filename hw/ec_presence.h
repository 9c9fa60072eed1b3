// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether anything answers at the EC's status port. A port that no device drives reads 0xFF
// on every read; an EC never shows that status for long. Asked before follow mode, so a
// wrong port pair ends the run before a single byte is written.

#include <string>

/// Status reads that must all show 0xFF before the port counts as silent.
inline constexpr int kEcSilentReads = 8;

/// True unless all kEcSilentReads reads of g_StatusPort return 0xFF. Only reads.
bool EC_StatusPortAnswers();

/// The status line for a silent status port, naming it in the port edits' hexadecimal.
std::string EC_SilentPortText(int status_port);
