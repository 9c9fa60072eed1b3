// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The files the programs write (a dump, a log, a backup) only ever replace a regular file or
// create a new one: run as root, a device node, a FIFO or a link named by mistake would
// otherwise be destroyed or written through.

#include <cstdio>
#include <string>

/// Empty when `path` names nothing yet or a regular file (not through a link); otherwise
/// what it names and why it is refused, e.g. "/dev/null is a device, not a regular file".
std::string WriteTargetRefusal(const std::string& path);

/// Opens `path` for appending, creating it when missing, only if it is a regular file reached
/// without a link; a FIFO without a reader is refused at once instead of waiting for one.
/// Null otherwise, with `refusal` saying why (WriteTargetRefusal's text, or the system's).
std::FILE* OpenRegularFileForAppend(const std::string& path, std::string& refusal);
