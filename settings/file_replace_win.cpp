#include <windows.h>

#include <algorithm>
#include <string>

#include "hw/wide_text_win.h"
#include "settings/file_replace.h"

namespace {

struct FileHandle {
    HANDLE handle = INVALID_HANDLE_VALUE;
    ~FileHandle() { Close(); }
    bool Close() {
        const bool closed = handle == INVALID_HANDLE_VALUE || CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
        return closed;
    }
};

// The file a link leads to, as a full path; the path itself when it names no file yet.
std::wstring FinalPath(const std::wstring& path) {
    FileHandle file{CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE) return path;
    wchar_t final_path[MAX_PATH * 4];
    const DWORD length = GetFinalPathNameByHandleW(file.handle, final_path, MAX_PATH * 4, FILE_NAME_NORMALIZED);
    if (length == 0 || length >= MAX_PATH * 4) return path;
    return final_path;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

// A fresh file beside the target, created exclusively so that no other file is reused.
bool CreateTempBeside(const std::wstring& target, std::wstring& temp_path, FileHandle& file) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_path = target + L".tmp." + std::to_wstring(GetCurrentProcessId()) + L"." + std::to_wstring(counter++);
        file.handle = CreateFileW(temp_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                  nullptr);
        if (file.handle != INVALID_HANDLE_VALUE) return true;
        if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

}  // namespace

bool ReplaceFileContents(const char* path, const std::string& bytes) {
    const std::wstring target = FinalPath(WideFromUtf8(path));
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) return false;

    std::wstring temp_path;
    FileHandle temp;
    if (!CreateTempBeside(target, temp_path, temp)) return false;
    bool ok = WriteAll(temp.handle, bytes);
    ok = ok && FlushFileBuffers(temp.handle);
    ok = temp.Close() && ok;
    // Replacing keeps the old file's security settings and attributes, as the POSIX side
    // keeps owner and mode; a first file is simply moved into place.
    if (ok && exists) {
        ok = ReplaceFileW(target.c_str(), temp_path.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                          nullptr);
    } else if (ok) {
        ok = MoveFileExW(temp_path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    if (!ok) {
        DeleteFileW(temp_path.c_str());
        return false;
    }
    return true;
}
