// Windows (run under Wine in the cross build): the child gets pipes for its standard output
// and error even when it is a window program, which has no console to print to.

#include <windows.h>

#include <cstdlib>
#include <thread>

#include "hw/wide_text_win.h"
#include "line_ends.h"
#include "process_runner.h"

namespace {

void Drain(HANDLE pipe, std::string& into) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) into.append(buffer, got);
}

std::wstring Quoted(const std::string& word) {
    return L"\"" + WideFromUtf8(word) + L"\"";
}

}  // namespace

ProcessResult RunProcess(const ProcessLaunch& launch) {
    ProcessResult result;
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE out_read = nullptr, out_write = nullptr, err_read = nullptr, err_write = nullptr;
    if (!CreatePipe(&out_read, &out_write, &inherited, 0) || !CreatePipe(&err_read, &err_write, &inherited, 0))
        return result;
    SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(err_read, HANDLE_FLAG_INHERIT, 0);
    HANDLE null_input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                    OPEN_EXISTING, 0, nullptr);

    std::wstring line = Quoted(launch.program);
    for (const std::string& arg : launch.args) line += L" " + Quoted(arg);
    std::wstring environment;
    for (const auto& [key, value] : launch.env) environment += WideFromUtf8(key + "=" + value) + L'\0';
    environment += L'\0';

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = null_input;
    startup.hStdOutput = out_write;
    startup.hStdError = err_write;
    PROCESS_INFORMATION process{};
    const std::wstring dir = WideFromUtf8(launch.working_dir);
    const bool started =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT | CREATE_NO_WINDOW,
                       environment.data(), dir.empty() ? nullptr : dir.c_str(), &startup, &process);
    CloseHandle(out_write);
    CloseHandle(err_write);
    if (null_input != INVALID_HANDLE_VALUE) CloseHandle(null_input);
    if (!started) {
        CloseHandle(out_read);
        CloseHandle(err_read);
        return result;
    }
    CloseHandle(process.hThread);

    // Both pipes at once, so a child filling one never blocks on the other.
    std::thread out_reader(Drain, out_read, std::ref(result.out));
    std::thread err_reader(Drain, err_read, std::ref(result.err));
    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(launch.time_limit_s) * 1000) == WAIT_TIMEOUT) {
        result.timed_out = true;
        TerminateProcess(process.hProcess, 255);
        WaitForSingleObject(process.hProcess, INFINITE);
    }
    out_reader.join();
    err_reader.join();
    CloseHandle(out_read);
    CloseHandle(err_read);
    DWORD code = 0;
    if (!result.timed_out && GetExitCodeProcess(process.hProcess, &code)) {
        result.exited = true;
        result.exit_status = static_cast<int>(code);
    }
    CloseHandle(process.hProcess);
    // What the child printed in text mode, with its CR LF line ends read as "\n".
    result.out = PlainLineEnds(result.out, "\r\n");
    result.err = PlainLineEnds(result.err, "\r\n");
    return result;
}

std::map<std::string, std::string> TestEnvironment(const std::string& stub_dir, const std::string& library_dir) {
    std::map<std::string, std::string> env;
    // What any Windows program needs of its system, taken from this one's environment.
    for (const char* name : {"SystemRoot", "windir", "SystemDrive", "TEMP", "TMP", "USERPROFILE", "APPDATA",
                             "LOCALAPPDATA", "ProgramData", "ComSpec"})
        if (const char* value = std::getenv(name)) env[name] = value;
    // The port library is found through the DLL search path: PATH, after the restart stubs.
    const std::string system = env.count("SystemRoot") ? env["SystemRoot"] : "C:\\windows";
    env["PATH"] = stub_dir + ";" + (library_dir.empty() ? "" : library_dir + ";") + system + "\\system32;" + system;
    env["QT_QPA_PLATFORM"] = "offscreen";
    env["VANTU_LOCK_FILE"] = stub_dir + "\\vantu.lock";
    return env;
}
