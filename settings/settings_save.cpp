#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

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

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// A fresh file beside the target, created exclusively so that no other file is reused.
int CreateTempBeside(const std::string& target, std::string& temp_path) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_path = target + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter++);
        int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// True when `path` is a regular file (or a link to one) holding exactly `text`: rewriting
// it would change nothing but its time stamp, and would put the file at risk for nothing.
bool HoldsExactly(const char* path, const std::string& text) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error) || std::filesystem::file_size(path, error) != text.size())
        return false;
    std::ifstream file(path, std::ios::binary);
    std::string held(text.size(), '\0');
    return file.read(held.data(), static_cast<std::streamsize>(held.size())) && held == text;
}

// Makes the rename itself survive a power loss; a failure here changes nothing on disk.
void SyncDirectory(const std::string& dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool SaveSettingsFile(const char* path, const UiSettings& settings) {
    if (g_SettingsLoaded != 1) return false;

    // A name the reader cannot take back would leave a file that no longer loads.
    if (SingleLine(settings.BinName).size() > kMaxBinNameBytes) return false;
    const std::string text = SettingsText(settings);
    if (HoldsExactly(path, text)) return true;

    // A settings file reached through a link is rewritten where it lives; the link stays.
    std::string target = path;
    if (char* resolved = ::realpath(path, nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    std::string temp_path;
    int fd = CreateTempBeside(target, temp_path);
    if (fd < 0) return false;

    // The rewritten file keeps the owner and permissions of the one it replaces.
    struct stat old_stat;
    bool ok = true;
    if (::stat(target.c_str(), &old_stat) == 0) {
        if (!S_ISREG(old_stat.st_mode)) {
            ok = false;
        } else {
            if (::fchown(fd, old_stat.st_uid, old_stat.st_gid) != 0) {
                // Only root may give a file away; anyone else keeps the file as their own.
            }
            ::fchmod(fd, old_stat.st_mode & 07777);
        }
    }
    ok = ok && WriteAll(fd, text);
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp_path.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp_path.c_str());
        return false;
    }
    SyncDirectory(DirectoryOf(target));
    return true;
}
