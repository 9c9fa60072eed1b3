// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli_dir.h"

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include <gtest/gtest.h>

namespace cli_test {

namespace fs = std::filesystem;

std::vector<uint8_t> Pattern(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = seed * 2654435761u + 1;
    for (uint8_t& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>((state >> 16) % 255);
    }
    return bytes;
}

uint32_t Sum(const std::vector<uint8_t>& bytes) {
    uint32_t sum = 0;
    for (uint8_t b : bytes) sum += b;
    return sum;
}

std::vector<nlohmann::json> JsonLines(const std::string& out) {
    std::vector<nlohmann::json> objects;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        try {
            objects.push_back(nlohmann::json::parse(line));
        } catch (const nlohmann::json::exception& error) {
            ADD_FAILURE() << "not a JSON line: " << line << " (" << error.what() << ")";
        }
    }
    // Every JSON run ends with its result object; a null stands in for a missing one, so the
    // test fails on its content instead of ending the whole program.
    if (objects.empty()) {
        ADD_FAILURE() << "no JSON line in: " << out;
        objects.emplace_back();
    }
    return objects;
}

CliDir::CliDir(const std::string& name) {
    path_ = fs::temp_directory_path() / ("vantu-cli-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(path_);
    fs::create_directories(path_ / "stubs");
#ifdef _WIN32
    // The system's restart command is found through PATH: a recording stand-in takes its name.
    fs::copy_file(COMMAND_STUB_PATH, path_ / "stubs" / "shutdown.exe");
    return;
#endif
    for (const char* stub : {"shutdown", "reboot", "systemctl", "systemd-run", "poweroff"}) {
        const fs::path file = path_ / "stubs" / stub;
        std::ofstream(file) << "#!/bin/sh\necho \"" << stub << " $*\" >> '" << (path_ / "restart_calls.txt").string()
                            << "'\n";
        fs::permissions(file, fs::perms::owner_all);
    }
}

CliDir::~CliDir() { fs::remove_all(path_); }

void CliDir::Sim(const std::string& lines, size_t flash_bytes) {
    WriteBytes("flash.img", Pattern(flash_bytes, 0xF1A5));
    Write("sim.conf", lines + "\nflash_size=" + std::to_string(flash_bytes) + "\nflash_file=" + Path("flash.img") +
                          "\ntrace_file=" + Path("trace.txt") + "\n");
}

std::vector<uint8_t> CliDir::Flash() const { return ReadBytes("flash.img"); }
void CliDir::SetFlash(const std::vector<uint8_t>& bytes) const { WriteBytes("flash.img", bytes); }

std::vector<std::string> CliDir::Trace() const {
    std::vector<std::string> lines;
    std::istringstream in(Read("trace.txt"));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> CliDir::SpiLines(const std::string& opcode) const {
    std::vector<std::string> lines;
    for (const std::string& line : Trace())
        if (line.rfind("SPI " + opcode + " ", 0) == 0) lines.push_back(line);
    return lines;
}

void CliDir::WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream(path_ / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void CliDir::Write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
}

std::string CliDir::Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> CliDir::ReadBytes(const std::string& name) const {
    const std::string text = Read(name);
    return {text.begin(), text.end()};
}

bool CliDir::Exists(const std::string& name) const { return fs::exists(path_ / name); }

std::string CliDir::RestartCalls() const { return Read("restart_calls.txt"); }

ProcessResult CliDir::RunReaderGoneAfterLine(const std::vector<std::string>& args) const {
    ProcessLaunch launch = Launch(args, true, {});
    launch.close_out_after_line = true;
    return RunProcess(launch);
}

ProcessResult CliDir::Run(const std::vector<std::string>& args, bool with_library,
                          const std::map<std::string, std::string>& env) const {
    return RunProcess(Launch(args, with_library, env));
}

ProcessLaunch CliDir::Launch(const std::vector<std::string>& args, bool with_library,
                             const std::map<std::string, std::string>& env) const {
    ProcessLaunch launch;
    launch.program = VANTU_CLI_PATH;
    launch.args = args;
    launch.working_dir = path_.string();
    launch.env = TestEnvironment((path_ / "stubs").string(), with_library ? SIM_LIBRARY_DIR : "");
    if (!with_library) launch.env.erase("LD_LIBRARY_PATH");
    if (Exists("sim.conf")) launch.env["VANTU_SIM_CONFIG"] = Path("sim.conf");
#ifdef _WIN32
    launch.env["VANTU_STUB_LOG"] = Path("restart_calls.txt");
#endif
    for (const auto& [name, value] : env) launch.env[name] = value;
    launch.time_limit_s = 120;
    return launch;
}

}  // namespace cli_test
