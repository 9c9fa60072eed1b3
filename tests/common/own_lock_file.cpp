// SPDX-License-Identifier: GPL-3.0-or-later
// Linked into every test program: its EC sessions take a lock file of its own, so a test never
// takes, nor is refused by, the machine-wide lock a real flash holds, and test programs side by
// side never refuse each other. A test that names its own lock file still does.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace {

std::string g_OwnLockFile;

void RemoveOwnLockFile() {
    std::error_code ignored;
    std::filesystem::remove(g_OwnLockFile, ignored);
}

const bool g_LockFileChosen = [] {
    const char* chosen = std::getenv("VANTU_LOCK_FILE");
    if (chosen != nullptr && *chosen != '\0') return false;
    std::error_code error;
    g_OwnLockFile =
        (std::filesystem::temp_directory_path(error) / ("vantu-test-" + std::to_string(::getpid()) + ".lock")).string();
#ifdef _WIN32
    _putenv_s("VANTU_LOCK_FILE", g_OwnLockFile.c_str());
#else
    ::setenv("VANTU_LOCK_FILE", g_OwnLockFile.c_str(), 1);
#endif
    std::atexit(RemoveOwnLockFile);
    return true;
}();

}  // namespace
