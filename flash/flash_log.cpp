// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/flash_log.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/atomic_file.h"

bool WriteFlashLog(const char* path, bool passed) {
    if (ReplaceFileAtomically(path, std::string(passed ? "PASS" : "Fail") + kTextLineEnd)) return true;
    // A log that cannot say Fail must not go on saying an earlier run's PASS: a missing log
    // is no pass either.
    if (!passed) {
        std::error_code error;
        // Only what could read as a log: a directory of that name is no PASS, and stays.
        const auto type = std::filesystem::symlink_status(path, error).type();
        if (type != std::filesystem::file_type::regular && type != std::filesystem::file_type::symlink) return false;
        std::filesystem::remove(path, error);
        std::fprintf(stderr, "vantu: %s could not be written; %s\n", path,
                     error ? "the earlier log could not be removed either" : "the earlier log was removed");
        std::fflush(stderr);
    }
    return false;
}

