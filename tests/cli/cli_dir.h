// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One run directory for the built vantu-cli against the simulated port library: the
// simulator's configuration, flash file and trace, images, and restart stubs first on PATH
// that record any call (vantu-cli must never make one).

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "process_runner.h"

namespace cli_test {

/// Deterministic bytes that are rarely 0xFF, different for each seed.
std::vector<uint8_t> Pattern(size_t size, uint32_t seed);

/// Byte sum modulo 2^32.
uint32_t Sum(const std::vector<uint8_t>& bytes);

/// Every line of `out` parsed as one JSON object; a line that does not parse, or no line at
/// all, fails the test (never empty: a null object then stands in).
std::vector<nlohmann::json> JsonLines(const std::string& out);

class CliDir {
public:
    explicit CliDir(const std::string& name);
    ~CliDir();

    const std::filesystem::path& path() const { return path_; }
    std::string Path(const std::string& name) const { return (path_ / name).string(); }

    /// The simulator: `lines` of configuration, a flash of `flash_bytes` filled with a
    /// pattern unlike any image, and a trace file.
    void Sim(const std::string& lines, size_t flash_bytes = 1 << 20);
    std::vector<uint8_t> Flash() const;
    void SetFlash(const std::vector<uint8_t>& bytes) const;
    /// Lines of the simulator's trace (empty when the library was never called), without
    /// their line ends.
    std::vector<std::string> Trace() const;
    /// Trace lines of SPI transactions with `opcode` (two hex digits, e.g. "D8").
    std::vector<std::string> SpiLines(const std::string& opcode) const;
    /// Runs vantu-cli here with `args` as Run does, its standard output read only up to the
    /// first line end, as `| head -n 1` reads it (POSIX).
    ProcessResult RunReaderGoneAfterLine(const std::vector<std::string>& args) const;

    void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) const;
    void Write(const std::string& name, const std::string& text) const;
    std::string Read(const std::string& name) const;
    std::vector<uint8_t> ReadBytes(const std::string& name) const;
    bool Exists(const std::string& name) const;
    /// Calls the restart stubs recorded.
    std::string RestartCalls() const;

    /// Runs vantu-cli here with `args`; with no port library to be found when `with_library`
    /// is false. `env` adds to the environment.
    ProcessResult Run(const std::vector<std::string>& args, bool with_library = true,
                      const std::map<std::string, std::string>& env = {}) const;
    /// The launch Run makes, for a test that starts the program some other way.
    ProcessLaunch Launch(const std::vector<std::string>& args, bool with_library = true,
                         const std::map<std::string, std::string>& env = {}) const;

private:
    std::filesystem::path path_;
};

}  // namespace cli_test
