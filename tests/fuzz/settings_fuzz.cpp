// Feeds arbitrary bytes to the integer conversion and, as a settings file, to the reader;
// every file that loads must survive a write and a second read unchanged.

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

class IgnoreControls : public SettingsControls {
public:
    void SetPortTexts(const std::string& data_port, const std::string& cmd_port) override {
        if (data_port.size() < 4 || cmd_port.size() < 4) std::abort();
    }
    void SetVersionShown(bool) override {}
    void SelectHexDisplay(bool) override {}
    void SelectReadMethodBram(bool) override {}
    void SelectIo4E(bool) override {}
    void SelectBank1(bool) override {}
    void SelectReadBytes5(bool) override {}
};

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

void CheckSettingsFile(const uint8_t* data, size_t size) {
    if (::ftruncate(g_input_fd, 0) != 0) std::abort();
    if (size > 0 && ::pwrite(g_input_fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();

    UiSettings loaded;
    IgnoreControls controls;
    g_SettingsLoaded = 0;
    SettingsLoadResult result = LoadSettingsFile(g_input_path.c_str(), loaded, controls);
    if (result.status == SettingsLoadStatus::CannotOpen) std::abort();
    if (result.status != SettingsLoadStatus::Loaded) {
        if (g_SettingsLoaded != 0 || result.error.empty()) std::abort();
        return;
    }
    if (g_SettingsLoaded != 1) std::abort();
    // The round trip holds for names without '=' or a line break (the writer cuts the name
    // at a line break; a later '=' starts a new value).
    if (loaded.BinName.find_first_of("=\n") != std::string::npos) return;

    // A name too long for the reader must be refused, never written.
    const std::string path = g_save_dir + "/uiset.ini";
    const bool saved = SaveSettingsFile(path.c_str(), loaded);
    if (saved != (loaded.BinName.size() <= kMaxBinNameBytes)) std::abort();
    if (!saved) return;
    UiSettings reloaded;
    if (LoadSettingsFile(path.c_str(), reloaded, controls).status != SettingsLoadStatus::Loaded) std::abort();
    if (!(reloaded == loaded)) std::abort();
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
