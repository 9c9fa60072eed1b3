// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A working directory for one run of the built program against the simulated EC: the
// settings file, the image, the simulator's configuration and flash file, and a restart
// stub first on PATH that only records that it was called and what it found on disk.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ini_text.h"
#include "process_runner.h"

namespace vantu_test {

/// What an earlier, passing run left in "Flash_log.txt".
inline constexpr const char* kStalePass = "PASS\n";

/// The last non-empty line of `text`.
std::string LastLine(const std::string& text);

/// Settings for an unattended, silent flash of "IMAGE.Bin".
testini::IniValues Unattended();

/// Deterministic bytes that are rarely 0xFF.
std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed);

class RunDir {
public:
    explicit RunDir(const std::string& name);
    ~RunDir();

    const std::filesystem::path& path() const { return path_; }
    void Write(const std::string& name, const std::string& text) const;
    void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) const;
    std::string Read(const std::string& name) const;
    /// A result file ("Flash_log.txt", "EC_version.txt") with this system's line ends read
    /// as "\n", so one expectation holds on every platform.
    std::string ReadText(const std::string& name) const;
    bool Exists(const std::string& name) const;

    /// The simulator's configuration: `lines` plus a flash file of `flash_bytes` in this
    /// directory, pre-filled with bytes unlike any test image.
    void ConfigureSim(const std::string& lines, size_t flash_bytes = 1 << 20);
    std::vector<uint8_t> Flash() const;
    std::vector<uint8_t> InitialFlash() const { return initial_flash_; }
    /// Lines the restart stub recorded, one per call.
    std::vector<std::string> RestartCalls() const;
    /// Restart stubs that end with `exit_status` (0 at first).
    void WriteRestartStubs(int exit_status) const;
    /// A run file ("Flash_log.txt", "uiset.ini", "EC_version.txt") as it was when the restart
    /// stub was called; nullopt when it did not exist then.
    std::optional<std::string> SeenAtRestart(const std::string& name) const;
    /// True when the run file has not been written (nor replaced) since the stub saw it.
    bool UntouchedSinceRestart(const std::string& name) const;

    /// Runs the built program here with the simulated port library, or with no port library
    /// to be found at all when `with_library` is false.
    ProcessResult RunVantu(int time_limit_s = 60, bool with_library = true) const;
    /// Runs the window driver here with the simulated port library: `args` are its
    /// options and actions (see window_driver.cpp).
    ProcessResult RunDriver(const std::vector<std::string>& args, int time_limit_s = 60) const;
    /// Names in this directory other than the ones every run dir has, sorted.
    std::vector<std::string> Names() const;

    struct Options {
        std::string program = VANTU_PATH;
        std::vector<std::string> args;
        int time_limit_s = 60;
        std::string library_dir = SIM_LIBRARY_DIR;  // empty: no port library to be found
        /// Added to the child's environment; an empty value removes the variable.
        std::map<std::string, std::string> env;
        /// Once standard error holds `signal_at`, `signal_number` is sent (POSIX).
        std::string signal_at;
        int signal_number = 0;
    };
    ProcessResult Run(const Options& options) const;

private:
    std::filesystem::path path_;
    std::vector<uint8_t> initial_flash_;
};

}  // namespace vantu_test
