// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/run_mode.h"

#ifdef __linux__
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <exception>
#include <filesystem>

#include "app/dialogs.h"
#include "flash/flash_log.h"

namespace {

RunMode g_Mode = RunMode::Unknown;
bool g_Silent = false;

}  // namespace

void SetRunMode(RunMode mode, bool silent) {
    g_Mode = mode;
    g_Silent = silent;
}

RunMode CurrentRunMode() { return g_Mode; }

bool NobodyWatching() { return g_Mode == RunMode::Unattended || g_Silent; }

bool ClaimFlashLog() { return WriteFlashLog(kFlashLogName, false); }

void WithdrawStaleFlashLog() {
    std::error_code ignored;
    // Any entry of that name counts, a dangling link included: the writer decides what it
    // may replace.
    if (std::filesystem::symlink_status(kFlashLogName, ignored).type() != std::filesystem::file_type::not_found)
        WriteFlashLog(kFlashLogName, false);
}

bool RecordFlashOutcome(bool passed) { return WriteFlashLog(kFlashLogName, passed); }

void SyncWorkingDirectory() {
#ifdef __linux__
    const int fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::syncfs(fd);
    ::close(fd);
#endif
}

void WriteErrorLine(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

void EchoForScript(const QString& text) {
    if (NobodyWatching()) WriteErrorLine(text);
}

QString CurrentErrorText() {
    try {
        throw;
    } catch (const std::exception& error) {
        return QString::fromLocal8Bit(error.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

int EndAbnormally(const QString& what) {
    dialogs::ShowError(what);
    switch (g_Mode) {
    case RunMode::Interactive:
        return 0;
    case RunMode::Unattended:
        RecordFlashOutcome(false);
        return 1;
    case RunMode::Unknown:
        WithdrawStaleFlashLog();
        return 1;
    }
    return 1;
}
