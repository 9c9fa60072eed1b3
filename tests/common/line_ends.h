// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program writes its result files (log, version record) with the platform's line end;
// tests read them back with "\n", so one expectation holds on every platform.

#include <string>

#include "platform/atomic_file.h"

/// `text` with every `line_end` (by default the one of the program's text files) read as "\n".
inline std::string PlainLineEnds(std::string text, const std::string& line_end = kTextLineEnd) {
    for (size_t at = 0; (at = text.find(line_end, at)) != std::string::npos; ++at) text.replace(at, line_end.size(), "\n");
    return text;
}
