// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Asking a person before the flash is rewritten. Without a terminal nobody can answer, so
// nothing waits for an answer that cannot come.

#include <string>

enum class Confirmation { Confirmed, Declined, NoTerminal };

/// Asks `question` on standard error and reads one line of standard input when both are a
/// terminal; "y" or "yes" (any case) confirms, anything else declines.
Confirmation AskToConfirm(const std::string& question);
