// SPDX-License-Identifier: GPL-3.0-or-later
// Stands in for a system command in tests: appends its arguments, each on a line of its
// own, to the file named by VANTU_STUB_LOG.

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const char* log_path = std::getenv("VANTU_STUB_LOG");
    if (log_path == nullptr) return 2;
    std::FILE* log = std::fopen(log_path, "ab");
    if (log == nullptr) return 3;
    for (int i = 1; i < argc; ++i) std::fprintf(log, "%s\n", argv[i]);
    return std::fclose(log) == 0 ? 0 : 4;
}
