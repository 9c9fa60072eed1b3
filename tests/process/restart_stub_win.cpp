// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for the system's restart command on Windows, copied into a run's stubs
// directory under the command's name: records that it was called, with its arguments, and
// what the run had on disk at that moment, then ends with the status named in
// "exit_status.txt" beside it (0 when there is none). It never restarts anything.

#include <windows.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const fs::path stubs = fs::path(self).parent_path();
    const fs::path run = stubs.parent_path();
    std::error_code ignored;
    fs::create_directories(run / "seen", ignored);
    for (const char* run_file : {"Flash_log.txt", "uiset.ini", "EC_version.txt"})
        if (fs::exists(run_file)) fs::copy_file(run_file, run / "seen" / run_file, fs::copy_options::overwrite_existing, ignored);

    std::ofstream calls(run / "restart_calls.txt", std::ios::app | std::ios::binary);
    calls << fs::path(self).stem().string();
    for (int i = 1; i < argc; ++i) calls << ' ' << argv[i];
    calls << '\n';

    int status = 0;
    std::ifstream(stubs / "exit_status.txt") >> status;
    return status;
}
