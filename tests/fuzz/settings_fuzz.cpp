// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the integer conversion and, as a settings file, to the reader;
// every file that loads must survive a write and a second read unchanged, and the same file
// with its line ends changed (LF alone, or a mix of CR LF and LF) must read exactly alike.

#include <stdlib.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "settings/int_convert.h"
#include "settings/settings_file.h"

namespace {

int g_input_fd = -1;
std::string g_input_path;  // the in-memory input file, reopened by name like a real file
std::string g_save_dir;

void RemoveSaveDir() {
    std::error_code ignored;
    std::filesystem::remove_all(g_save_dir, ignored);
}

void CheckIntRoundTrip(std::string_view text) {
    std::optional<int32_t> value = ParseInt(text);
    if (!value) return;
    // What the writer prints must convert back to the same number.
    char decimal[32], hex[32];
    std::snprintf(decimal, sizeof decimal, "%d", *value);
    std::snprintf(hex, sizeof hex, "0x%X", static_cast<unsigned>(*value));
    if (ParseInt(decimal) != value || ParseInt(hex) != value) std::abort();
}

SettingsLoadResult LoadBytes(std::string_view bytes) {
    if (::ftruncate(g_input_fd, 0) != 0) std::abort();
    if (!bytes.empty() && ::pwrite(g_input_fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
        std::abort();
    return LoadSettingsFile(g_input_path.c_str());
}

// Every CR LF turned into LF; with `every_other`, only every second one (a mixed file).
std::string WithLfEnds(std::string_view bytes, bool every_other) {
    std::string out;
    bool turn = true;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            if (!every_other || turn) continue;
            turn = !turn;
        }
        out += bytes[i];
    }
    return out;
}

// Line ends change what one read can take: the comparison holds only while no line comes
// near that limit.
bool LinesFitOneRead(std::string_view bytes) {
    size_t line_start = 0;
    for (size_t i = 0; i <= bytes.size(); ++i) {
        if (i == bytes.size() || bytes[i] == '\n') {
            if (i - line_start + 1 >= kMaxIniLineBytes) return false;
            line_start = i + 1;
        }
    }
    return true;
}

bool SameRead(const SettingsLoadResult& a, const SettingsLoadResult& b) {
    return a.status == b.status && a.values_read == b.values_read && a.values == b.values &&
           a.error == b.error;
}

void CheckSettingsFile(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const SettingsLoadResult result = LoadBytes(bytes);
    if (result.status == SettingsLoadStatus::CannotOpen || result.status == SettingsLoadStatus::NotRegularFile)
        std::abort();
    if (result.values_read < 0 || result.values_read > kSettingsValueCount) std::abort();
    if (result.status != SettingsLoadStatus::Loaded) {
        if (result.error.empty() || SettingsProblemText(result).empty()) std::abort();
    } else if (result.values_read != kSettingsValueCount) {
        std::abort();
    }

    if (LinesFitOneRead(bytes)) {
        if (!SameRead(result, LoadBytes(WithLfEnds(bytes, false)))) std::abort();
        if (!SameRead(result, LoadBytes(WithLfEnds(bytes, true)))) std::abort();
    }
    if (result.status != SettingsLoadStatus::Loaded) return;
    const UiSettings& loaded = result.values;
    // The round trip holds for names without '=' or a line break (the writer cuts the name
    // at a line break; a later '=' starts a new value).
    if (loaded.BinName.find_first_of("=\r\n") != std::string::npos) return;

    // A name too long for the reader must be refused, never written.
    const std::string path = g_save_dir + "/uiset.ini";
    const bool saved = SaveSettingsFile(path.c_str(), loaded, true);
    if (saved != (loaded.BinName.size() <= kMaxBinNameBytes)) std::abort();
    if (!saved) return;
    const SettingsLoadResult reloaded = LoadSettingsFile(path.c_str());
    if (reloaded.status != SettingsLoadStatus::Loaded || !(reloaded.values == loaded)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_input_fd = ::memfd_create("uiset.ini", 0);
    if (g_input_fd < 0) std::abort();
    g_input_path = "/proc/self/fd/" + std::to_string(g_input_fd);

    // tmpfs where there is one: the round trip's fsync then costs nothing.
    std::filesystem::path base = std::filesystem::is_directory("/dev/shm") ? "/dev/shm"
                                                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / "vantu-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    g_save_dir = pattern;
    std::atexit(RemoveSaveDir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckIntRoundTrip(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckSettingsFile(data, size);
    return 0;
}
