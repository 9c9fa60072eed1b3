// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/library_loader.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/wide_text_win.h"

namespace {

std::wstring FolderOfProgram() {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    path.resize(length);
    return path.substr(0, path.find_last_of(L"\\/"));
}

std::wstring SystemFolder(UINT(WINAPI* get)(LPWSTR, UINT)) {
    wchar_t folder[MAX_PATH];
    const UINT length = get(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

// A folder that does not depend on the working directory: from a drive's root, or from the
// current drive's root (as a Unix path reads under Wine).
bool IsRooted(const std::wstring& folder) {
    const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    return (!folder.empty() && separator(folder[0])) || (folder.size() >= 3 && folder[1] == L':' && separator(folder[2]));
}

// The normal DLL search without the working directory, nor any relative PATH entry that
// would stand for it: the port library runs with the administrator's rights, and one lying
// in whatever folder the program was started from must never be taken for it.
std::vector<std::wstring> SearchFolders() {
    std::vector<std::wstring> folders = {FolderOfProgram(), SystemFolder(GetSystemDirectoryW),
                                         SystemFolder(GetWindowsDirectoryW)};
    const DWORD size = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    std::wstring path(size, L'\0');
    path.resize(GetEnvironmentVariableW(L"PATH", path.data(), size));
    for (size_t start = 0; start <= path.size();) {
        const size_t end = std::min(path.find(L';', start), path.size());
        folders.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    std::erase_if(folders, [](const std::wstring& folder) { return !IsRooted(folder); });
    return folders;
}

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

bool LoadedLibrary::Load(const char* name) {
    Unload();
    const std::wstring wide_name = WideFromUtf8(name);
    if (wide_name.find_first_of(L"\\/") != std::wstring::npos) {
        handle_ = reinterpret_cast<void*>(LoadLibraryW(wide_name.c_str()));
    } else {
        bool found = false;
        for (const std::wstring& folder : SearchFolders()) {
            const std::wstring candidate = folder + L"\\" + wide_name;
            if (!IsFile(candidate)) continue;
            found = true;
            // Its own dependencies are looked for beside it, as for a library found by the system.
            handle_ = reinterpret_cast<void*>(LoadLibraryExW(candidate.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
            break;
        }
        if (!found) SetLastError(ERROR_MOD_NOT_FOUND);
    }
    last_error_ = handle_ != nullptr ? "" : "error " + std::to_string(GetLastError());
    return handle_ != nullptr;
}

void* LoadedLibrary::Symbol(const char* name) const {
    if (handle_ == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void LoadedLibrary::Unload() {
    if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
    handle_ = nullptr;
}
