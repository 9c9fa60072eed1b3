// SPDX-License-Identifier: GPL-3.0-or-later
// Windows (run under Wine in the cross build): the child gets pipes for its standard output
// and error even when it is a window program, which has no console to print to.

#include "process_runner.h"

#include <windows.h>

#include <cstdlib>
#include <thread>

#include "line_ends.h"
#include "platform/wide_text_win.h"

namespace {

void DrainAll(HANDLE pipe, std::string& into) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) into.append(buffer, got);
}

// The read end for this process, the write end inheritable for the child.
bool MakePipe(HANDLE& read_end, HANDLE& write_end) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return false;
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    return true;
}

}  // namespace

ProcessResult RunProcess(const ProcessLaunch& launch) {
    ProcessResult result;
    HANDLE out_read = nullptr, out_write = nullptr, err_read = nullptr, err_write = nullptr;
    if (!MakePipe(out_read, out_write)) return result;
    if (!MakePipe(err_read, err_write)) {
        CloseHandle(out_read);
        CloseHandle(out_write);
        return result;
    }
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE null_in = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                 nullptr);

    std::wstring command_line = QuotedArgument(WideFromUtf8(launch.program));
    for (const std::string& arg : launch.args) command_line += L" " + QuotedArgument(WideFromUtf8(arg));
    // Variables sorted by name, each ended by a zero, the block by one more.
    std::wstring environment;
    for (const auto& [key, value] : launch.env) environment += WideFromUtf8(key + "=" + value) + L'\0';
    environment += L'\0';
    const std::wstring dir = WideFromUtf8(launch.working_dir);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = null_in;
    startup.hStdOutput = out_write;
    startup.hStdError = err_write;
    PROCESS_INFORMATION process{};
    // No console: the child writes only to the pipes, as a program started by a script does.
    const BOOL started = CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE,
                                        CREATE_UNICODE_ENVIRONMENT | DETACHED_PROCESS, environment.data(),
                                        dir.empty() ? nullptr : dir.c_str(), &startup, &process);
    CloseHandle(out_write);
    CloseHandle(err_write);
    if (null_in != INVALID_HANDLE_VALUE) CloseHandle(null_in);
    if (!started) {
        CloseHandle(out_read);
        CloseHandle(err_read);
        return result;
    }

    // Each pipe read on a thread of its own, so a child filling one never stalls on the other.
    std::thread out_reader(DrainAll, out_read, std::ref(result.out));
    std::thread err_reader(DrainAll, err_read, std::ref(result.err));
    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(launch.time_limit_s) * 1000) != WAIT_OBJECT_0) {
        result.timed_out = true;
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    out_reader.join();
    err_reader.join();
    DWORD status = 0;
    if (!result.timed_out && GetExitCodeProcess(process.hProcess, &status)) {
        result.exited = true;
        result.exit_status = static_cast<int>(status);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(out_read);
    CloseHandle(err_read);
    // What the child printed in text mode, with its CR LF line ends read as "\n".
    result.out = PlainLineEnds(result.out, "\r\n");
    result.err = PlainLineEnds(result.err, "\r\n");
    return result;
}

std::map<std::string, std::string> TestEnvironment(const std::string& stub_dir, const std::string& library_dir) {
    std::map<std::string, std::string> env;
    // What any Windows program needs to start; nothing else of this process's environment.
    for (const char* name : {"SystemRoot", "SystemDrive", "windir", "TEMP", "TMP", "ComSpec"}) {
        if (const char* value = std::getenv(name)) env[name] = value;
    }
    const std::string system_root = env.count("SystemRoot") ? env["SystemRoot"] : "C:\\windows";
    // The restart stubs first; the port library only through the search path, where asked.
    env["PATH"] = stub_dir + (library_dir.empty() ? "" : ";" + library_dir) + ";" + system_root + "\\system32;" +
                  system_root;
    env["USERPROFILE"] = stub_dir;
    env["QT_QPA_PLATFORM"] = "offscreen";
    env["VANTU_LOCK_FILE"] = stub_dir + "\\vantu.lock";
    return env;
}
