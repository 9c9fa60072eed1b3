// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "platform/atomic_file.h"
#include "platform/utf8_path.h"
#include "settings/settings_file.h"

namespace {

std::string Format(const char* format, uint32_t value) {
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(value));
    return text;
}
std::string Format(const char* format, int32_t value) {
    char text[64];
    std::snprintf(text, sizeof text, format, static_cast<int>(value));
    return text;
}

// A line break inside the name would split line 14 and shift every later value by one,
// so the next load would fail; the name ends at the first CR, LF or NUL.
std::string SingleLine(const std::string& text) {
    return text.substr(0, text.find_first_of(std::string("\r\n\0", 3)));
}

std::string SettingsText(const UiSettings& s) {
    const char* eol = "\r\n";
    std::string text;
    text += "[Info]"; text += eol;
    text += Format("ACPI PORT=0x%X", static_cast<uint32_t>(s.AcpiPort)); text += eol;
    text += Format("FW VERSION SHOW=%d", s.FwVersionShow); text += eol;
    text += Format("HEX DISPLAY=%d", s.HexDisplay); text += eol;
    text += Format("Read Method=%d", int32_t{s.ReadMethod}); text += eol;
    text += Format("IO=%d", int32_t{s.SioSelect}); text += eol;
    text += Format("BRAM BANK=%d", int32_t{s.BramBank}); text += eol;
    text += Format("Read BYTES=%d", s.ReadBytes); text += eol;
    text += Format("BRAM Start index=0x%X", static_cast<uint32_t>(s.BramStartIndex)); text += eol;
    text += Format("FlashEnd CMD=0x%X", static_cast<uint32_t>(s.FlashEndCmd)); text += eol;
    text += Format("AutoFlash=%d", int32_t{s.AutoFlash}); text += eol;
    text += Format("Warring Show=%d", int32_t{s.WarningShow}); text += eol;
    text += Format("SilentRun=%d", int32_t{s.SilentRun}); text += eol;
    text += "BinName=" + SingleLine(s.BinName); text += eol;
    text += Format("Shutdown=%d", int32_t{s.Shutdown}); text += eol;
    text += "END";
    return text;
}

namespace fs = std::filesystem;

// True when the regular file at `path`, `size` bytes long, holds exactly `text`: rewriting it
// would change nothing but its time stamp, and would risk the file for nothing.
bool HoldsExactly(const fs::path& path, uint64_t size, const std::string& text) {
    if (size != text.size()) return false;
    std::ifstream file(path, std::ios::binary);
    const std::string held((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return !file.bad() && held == text;
}

}  // namespace

bool SaveSettingsFile(const char* path, const UiSettings& settings, bool loaded) {
    if (!loaded) return false;

    // A name the reader cannot take back would leave a file that no longer loads.
    if (SingleLine(settings.BinName).size() > kMaxBinNameBytes) return false;

    // A settings file reached through a link is rewritten where it lives; the link stays.
    // (Where the platform's library resolves no links, the name is used as given.)
    std::error_code failed;
    fs::path target = fs::canonical(PathFromUtf8(path), failed);
    if (failed) target = PathFromUtf8(path);
    // Only a regular file is ever replaced; it passes its owner and permissions on.
    const fs::file_status status = fs::status(target, failed);
    const bool exists = !failed && fs::exists(status);
    if (exists && !fs::is_regular_file(status)) return false;
    const std::string text = SettingsText(settings);
    if (exists) {
        const uintmax_t size = fs::file_size(target, failed);
        if (!failed && HoldsExactly(target, size, text)) return true;
    }
    return ReplaceFileAtomically(Utf8FromPath(target), text);
}
