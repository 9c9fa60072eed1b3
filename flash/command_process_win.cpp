// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include <string>

#include "flash/command_process.h"
#include "platform/wide_text_win.h"

namespace {

// The first "<dir>\<name>.exe" (or "<dir>\<name>" when it has an extension) along PATH.
std::wstring FindOnPath(const std::wstring& name) {
    const DWORD needed = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    if (needed == 0) return {};
    std::wstring path(needed, L'\0');
    path.resize(GetEnvironmentVariableW(L"PATH", path.data(), needed));
    size_t begin = 0;
    while (begin <= path.size()) {
        size_t end = path.find(L';', begin);
        if (end == std::wstring::npos) end = path.size();
        const std::wstring dir = path.substr(begin, end - begin);
        begin = end + 1;
        if (dir.empty()) continue;  // an empty entry would mean the working directory
        wchar_t found[MAX_PATH];
        const DWORD length = SearchPathW(dir.c_str(), name.c_str(), L".exe", MAX_PATH, found, nullptr);
        if (length > 0 && length < MAX_PATH) return found;
    }
    return {};
}

}  // namespace

CommandProcess::~CommandProcess() {
    // A command still running is left to finish; only our handle goes.
    if (started_) CloseHandle(reinterpret_cast<HANDLE>(id_));
}

bool CommandProcess::Start(const std::vector<std::string>& argv) {
    if (argv.empty()) return false;
    const std::wstring program = FindOnPath(WideFromUtf8(argv[0]));
    if (program.empty()) return false;
    std::wstring line = QuotedArgument(program);
    for (size_t i = 1; i < argv.size(); ++i) line += L" " + QuotedArgument(WideFromUtf8(argv[i]));

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // No console window of its own flashes up when the window program runs the command.
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        return false;
    }
    CloseHandle(process.hThread);
    id_ = reinterpret_cast<intptr_t>(process.hProcess);
    started_ = true;
    return true;
}

bool CommandProcess::Ended() {
    if (!started_) return true;
    const HANDLE process = reinterpret_cast<HANDLE>(id_);
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) return false;
    DWORD code = 0;
    if (GetExitCodeProcess(process, &code)) exit_code_ = static_cast<long>(code);
    CloseHandle(process);
    started_ = false;
    return true;
}
