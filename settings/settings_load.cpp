// SPDX-License-Identifier: GPL-3.0-or-later
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "settings/int_convert.h"
#include "settings/settings_file.h"


namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

constexpr const char* kKeys[kSettingsValueCount] = {
    "ACPI PORT", "FW VERSION SHOW", "HEX DISPLAY",  "Read Method",  "IO",        "BRAM BANK", "Read BYTES",
    "BRAM Start index", "FlashEnd CMD", "AutoFlash", "Warring Show", "SilentRun", "BinName",   "Shutdown",
};

#ifndef _WIN32
const char* FileKind(mode_t mode) {
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISSOCK(mode)) return "a socket";
    return "not a regular file";
}

// Opens without blocking (a FIFO with no writer would wait forever) and takes only a regular
// file: a device such as /dev/zero never ends. A link to a regular file is followed.
FilePtr OpenRegular(const char* path, SettingsLoadResult& result) {
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.status = SettingsLoadStatus::CannotOpen;
        return nullptr;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        result.status = SettingsLoadStatus::NotRegularFile;
        result.error = std::string(path) + " is " + FileKind(info.st_mode);
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FilePtr file(::fdopen(fd, "rb"));
    if (!file) {
        ::close(fd);
        result.status = SettingsLoadStatus::CannotOpen;
    }
    return file;
}
#else
// A device name such as CON would wait for the keyboard: only a regular file is opened.
FilePtr OpenRegular(const char* path, SettingsLoadResult& result) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found || error) {
        result.status = SettingsLoadStatus::CannotOpen;
        return nullptr;
    }
    if (status.type() != std::filesystem::file_type::regular) {
        result.status = SettingsLoadStatus::NotRegularFile;
        result.error = std::string(path) + (status.type() == std::filesystem::file_type::directory
                                                ? " is a directory"
                                                : " is not a regular file");
        return nullptr;
    }
    FilePtr file(std::fopen(path, "rb"));
    if (!file) result.status = SettingsLoadStatus::CannotOpen;
    return file;
}
#endif

// The first line is a header whatever it says: everything up to and including the first
// LF goes, even when the line is empty.
void SkipFirstLine(std::FILE* file) {
    int c;
    do {
        c = std::fgetc(file);
    } while (c != EOF && c != '\n');
}

uint8_t Flag(int32_t value) { return value != 0 ? 1 : 0; }

// Blanks and tabs around a number are no part of it: an editor that leaves one behind must
// not make the whole file unreadable.
std::string_view TrimBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Reads the values in file order, counting them, and records the first failure.
class ValueReader {
public:
    ValueReader(std::FILE* file, SettingsLoadResult& result) : file_(file), result_(result) {}

    std::optional<int32_t> Number() {
        const std::string text = Next();
        std::optional<int32_t> number = ParseInt(TrimBlanks(text));
        if (!number) {
            result_.status = SettingsLoadStatus::BadValue;
            result_.error = InvalidIntegerMessage(text);
            return std::nullopt;
        }
        ++result_.values_read;
        return number;
    }
    std::string Text() {
        std::string text = Next();
        ++result_.values_read;
        return text;
    }

private:
    std::string Next() {
        bool cut = false;
        std::string text = ReadIniValue(file_, &cut);
        if (cut && result_.cut_line_value == 0) result_.cut_line_value = result_.values_read + 1;
        return text;
    }

    std::FILE* file_;
    SettingsLoadResult& result_;
};

// False at the first rejected value; every value before it is stored.
bool ReadValues(ValueReader& read, UiSettings& s) {
    auto number = [&read](auto store) {
        const std::optional<int32_t> value = read.Number();
        if (value) store(*value);
        return value.has_value();
    };
    auto text = [&read](std::string& into) {
        into = read.Text();
        return true;
    };
    return number([&](int32_t v) { s.AcpiPort = v; }) &&
           number([&](int32_t v) { s.FwVersionShow = v; }) &&
           number([&](int32_t v) { s.HexDisplay = v; }) &&
           number([&](int32_t v) { s.ReadMethod = Flag(v); }) &&
           number([&](int32_t v) { s.SioSelect = Flag(v); }) &&
           number([&](int32_t v) { s.BramBank = Flag(v); }) &&
           number([&](int32_t v) { s.ReadBytes = v; }) &&
           number([&](int32_t v) { s.BramStartIndex = v; }) &&
           number([&](int32_t v) { s.FlashEndCmd = v; }) &&
           number([&](int32_t v) { s.AutoFlash = Flag(v); }) &&
           number([&](int32_t v) { s.WarningShow = Flag(v); }) &&
           number([&](int32_t v) { s.SilentRun = Flag(v); }) &&
           text(s.BinName) &&
           number([&](int32_t v) { s.Shutdown = Flag(v); });
}

}  // namespace

const char* SettingsKey(int value_no) {
    if (value_no < 1 || value_no > kSettingsValueCount) return "";
    return kKeys[value_no - 1];
}

SettingsLoadResult LoadSettingsFile(const char* path) {
    SettingsLoadResult result;
    const FilePtr file = OpenRegular(path, result);
    if (!file) return result;

    SkipFirstLine(file.get());
    ValueReader read(file.get(), result);
    // A record that mixes values read with values that were not is never written back.
    if (!ReadValues(read, result.values)) return result;
    result.status = SettingsLoadStatus::Loaded;
    return result;
}

UiSettings SettingsInEffect(const SettingsLoadResult& result) {
    const UiSettings& v = result.values;
    const int n = result.values_read;
    UiSettings s;
    if (n >= kValueReadBytes) {
        s.AcpiPort = v.AcpiPort;
        s.FwVersionShow = v.FwVersionShow;
        s.HexDisplay = v.HexDisplay;
        s.ReadMethod = v.ReadMethod;
        s.SioSelect = v.SioSelect;
        s.BramBank = v.BramBank;
        s.ReadBytes = v.ReadBytes;
    }
    // Later values were stored as they were read, zero beyond the count.
    s.BramStartIndex = v.BramStartIndex;
    s.FlashEndCmd = v.FlashEndCmd;
    s.AutoFlash = v.AutoFlash;
    s.WarningShow = v.WarningShow;
    s.SilentRun = v.SilentRun;
    s.BinName = v.BinName;
    s.Shutdown = v.Shutdown;
    return s;
}

std::string SettingsProblemText(const SettingsLoadResult& result) {
    if (result.status != SettingsLoadStatus::BadValue) return {};
    auto named = [](int value_no) {
        return "value " + std::to_string(value_no) + " (" + SettingsKey(value_no) + ")";
    };
    std::string text;
    if (result.cut_line_value != 0)
        text = named(result.cut_line_value) + " line longer than " + std::to_string(kMaxIniLineBytes) +
               " bytes, later values shifted; ";
    return text + named(result.values_read + 1) + " " + result.error;
}
