// SPDX-License-Identifier: GPL-3.0-or-later
// The Start-menu entry of Windows. Vantu keeps its settings, log, version file and dumps in its
// working directory, so the window runs in a folder the user can find and write: "Vantu" in the
// user's documents, made on first start with a settings file to begin from. The launcher keeps
// the user's own rights, so the folder stays that user's even when another account answers
// the elevation prompt; vantu.exe asks for elevation itself, through its manifest.

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "platform/utf8_path.h"
#include "settings/settings_file.h"

namespace {

namespace fs = std::filesystem;

constexpr int kLaunchFailedStatus = 1;

// The program ends at once when it finds no settings file; this one shows the window for use
// by hand, with the power warning at start.
UiSettings FirstSettings() {
    UiSettings settings;
    settings.AcpiPort = 0x3F0;
    settings.FlashEndCmd = 0xFE;
    settings.WarningShow = 1;
    settings.BinName = "EC";
    return settings;
}

fs::path DocumentsFolder() {
    PWSTR found = nullptr;
    fs::path folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_CREATE, nullptr, &found))) folder = found;
    CoTaskMemFree(found);
    return folder;
}

fs::path OwnFolder() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length < name.size()) return fs::path(name.substr(0, length)).parent_path();
        name.resize(name.size() * 2);
    }
}

int Refuse(const std::wstring& text) {
    MessageBoxW(nullptr, text.c_str(), L"Vantu", MB_OK | MB_ICONERROR);
    return kLaunchFailedStatus;
}

}  // namespace

int main() {
    // The shell may hand the start to a COM server of its own.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const fs::path documents = DocumentsFolder();
    if (documents.empty()) return Refuse(L"Vantu cannot find your Documents folder.");
    const fs::path folder = documents / L"Vantu";
    std::error_code failed;
    fs::create_directories(folder, failed);
    if (failed || !fs::is_directory(folder)) return Refuse(L"Vantu cannot make the folder " + folder.wstring() + L".");

    const fs::path settings_file = folder / L"uiset.ini";
    if (!fs::exists(settings_file, failed)) {
        // The record is the file the program begins from: it counts as loaded.
        if (!SaveSettingsFile(Utf8FromPath(settings_file).c_str(), FirstSettings(), /*loaded=*/true))
            return Refuse(L"Vantu cannot write " + settings_file.wstring() + L".");
    }

    const std::wstring program = (OwnFolder() / L"vantu.exe").wstring();
    const std::wstring directory = folder.wstring();
    SHELLEXECUTEINFOW start{};
    start.cbSize = sizeof start;
    start.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    start.lpFile = program.c_str();
    start.lpDirectory = directory.c_str();
    start.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&start)) {
        // Declining the elevation prompt is an answer, not a failure to report.
        if (GetLastError() == ERROR_CANCELLED) return kLaunchFailedStatus;
        return Refuse(L"Vantu could not start " + program + L".");
    }
    if (start.hProcess == nullptr) return 0;
    // The window's status, for whoever started the entry from a script.
    WaitForSingleObject(start.hProcess, INFINITE);
    DWORD status = kLaunchFailedStatus;
    GetExitCodeProcess(start.hProcess, &status);
    CloseHandle(start.hProcess);
    return static_cast<int>(status);
}
