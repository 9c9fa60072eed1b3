// SPDX-License-Identifier: GPL-3.0-or-later
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/atomic_file.h"
#include "platform/staged_temporaries.h"
#include "platform/wide_text_win.h"

// Created exclusively, so that no file already there is ever reused. Others may read it
// meanwhile, as a writer that opens the temporary file by name needs.
int StagedReplacement::CreateTempBeside(const std::string& target, std::string& temp_path) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_path = target + ".tmp." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(counter++);
        int fd = -1;
        const errno_t failed = _wsopen_s(&fd, WideFromUtf8(temp_path).c_str(),
                                         _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _SH_DENYNO,
                                         _S_IREAD | _S_IWRITE);
        if (failed == 0) return fd;
        if (failed != EEXIST) return -1;
    }
    return -1;
}

long StagedReplacement::WriteSome(int fd, const char* bytes, size_t size) {
    // _write takes an unsigned count: large buffers go in steps.
    return _write(fd, bytes, static_cast<unsigned>(std::min<size_t>(size, 1u << 20)));
}

std::FILE* StagedReplacement::StreamOver(int fd) { return _fdopen(fd, "wb"); }

int StagedReplacement::CloseDescriptor(int fd) { return _close(fd); }

bool StagedReplacement::Commit() {
    if (fd_ < 0) return false;
    // A directory of that name is never replaced (the move would refuse it anyway).
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(path_).c_str());
    bool ok = attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    ok = ok && TargetAllowed();
    ok = FlushStream() && ok && _commit(fd_) == 0;
    ok = (CloseFile() == 0) && ok;
    // The move replaces the entry named `path`, never what a link there points to; write-through
    // returns only once the new entry is on the disk.
    ok = ok && MoveFileExW(WideFromUtf8(temp_path_).c_str(), WideFromUtf8(path_).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        Abandon();
        return false;
    }
    ForgetStagedTemporary(temp_path_.c_str());
    temp_path_.clear();
    return true;
}

void StagedReplacement::Abandon() {
    CloseFile();
    if (temp_path_.empty()) return;
    DeleteFileW(WideFromUtf8(temp_path_).c_str());
    ForgetStagedTemporary(temp_path_.c_str());
    temp_path_.clear();
}
