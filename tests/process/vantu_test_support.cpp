// SPDX-License-Identifier: GPL-3.0-or-later
#include "vantu_test_support.h"

#include <sys/stat.h>
#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "flash/restart.h"
#include "line_ends.h"

namespace vantu_test {

namespace fs = std::filesystem;

testini::IniValues Unattended() {
    testini::IniValues values;
    values.auto_flash = "1";
    values.silent_run = "1";
    values.bin_name = "IMAGE";
    return values;
}

std::string LastLine(const std::string& text) {
    std::istringstream in(text);
    std::string last;
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) last = line;
    return last;
}

std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    uint32_t state = seed * 2654435761u + 1;
    for (uint8_t& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>((state >> 16) % 255);  // never 0xFF
    }
    return bytes;
}

namespace {

// The files a run leaves behind, as the restart stub records them when it is called.
constexpr const char* kRunFiles[] = {"Flash_log.txt", "uiset.ini", "EC_version.txt"};

std::string StatLine(const fs::path& file) {
#ifdef _WIN32
    (void)file;
    return {};  // the Windows stub records no identities: nothing counts as untouched
#else
    struct stat info;
    if (::stat(file.c_str(), &info) != 0) return {};
    char text[96];
    std::snprintf(text, sizeof text, "%llu %lld.%09ld", static_cast<unsigned long long>(info.st_ino),
                  static_cast<long long>(info.st_mtim.tv_sec), info.st_mtim.tv_nsec);
    return text;
#endif
}

}  // namespace

RunDir::RunDir(const std::string& name) {
    path_ = fs::temp_directory_path() / ("vantu-run-" + std::to_string(::getpid()) + "-" + name);
    fs::remove_all(path_);
    fs::create_directories(path_ / "stubs");
    WriteRestartStubs(0);
}

void RunDir::WriteRestartStubs(int exit_status) const {
#ifdef _WIN32
    // The command is looked up as "<name>.exe" along PATH: a copy of the stub program.
    fs::copy_file(RESTART_STUB_PATH, path_ / "stubs" / (RestartCommand().front() + ".exe"),
                  fs::copy_options::overwrite_existing);
    std::ofstream(path_ / "stubs" / "exit_status.txt") << exit_status;
#else
    // Every name the restart could go by is shadowed: none of them may reach the system.
    std::vector<std::string> names = {"shutdown", "reboot", "systemctl"};
    names.push_back(RestartCommand().front());
    const std::string seen = (path_ / "seen").string();
    for (const std::string& stub : names) {
        const fs::path file = path_ / "stubs" / stub;
        std::ofstream script(file);
        script << "#!/bin/sh\nmkdir -p '" << seen << "'\n";
        // What is on disk at the moment the restart is asked for, with inode and time stamp
        // so that any later write shows.
        for (const char* run_file : kRunFiles)
            script << "if [ -e " << run_file << " ]; then cp " << run_file << " '" << seen << "/'; stat -c '%i %.9Y' "
                   << run_file << " > '" << seen << "/" << run_file << ".stat'; fi\n";
        script << "echo \"" << stub << " $*\" >> '" << (path_ / "restart_calls.txt").string() << "'\n";
        script << "exit " << exit_status << "\n";
        script.close();
        fs::permissions(file, fs::perms::owner_all);
    }
#endif
}

std::optional<std::string> RunDir::SeenAtRestart(const std::string& name) const {
    if (!fs::exists(path_ / "seen" / name)) return std::nullopt;
    return Read("seen/" + name);
}

bool RunDir::UntouchedSinceRestart(const std::string& name) const {
    std::string recorded = Read("seen/" + name + ".stat");
    while (!recorded.empty() && recorded.back() == '\n') recorded.pop_back();
    return !recorded.empty() && recorded == StatLine(path_ / name);
}

RunDir::~RunDir() { fs::remove_all(path_); }

void RunDir::Write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
}

void RunDir::WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream(path_ / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string RunDir::Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string RunDir::ReadText(const std::string& name) const { return PlainLineEnds(Read(name)); }

bool RunDir::Exists(const std::string& name) const { return fs::exists(path_ / name); }

void RunDir::ConfigureSim(const std::string& lines, size_t flash_bytes) {
    initial_flash_ = PatternBytes(flash_bytes, 0xF1A5);
    WriteBytes("flash.img", initial_flash_);
    Write("sim.conf", lines + "\nflash_size=" + std::to_string(flash_bytes) + "\nflash_file=" +
                          (path_ / "flash.img").string() + "\n");
}

std::vector<uint8_t> RunDir::Flash() const {
    const std::string text = Read("flash.img");
    return {text.begin(), text.end()};
}

std::vector<std::string> RunDir::RestartCalls() const {
    std::vector<std::string> calls;
    std::istringstream in(Read("restart_calls.txt"));
    for (std::string line; std::getline(in, line);) calls.push_back(line);
    return calls;
}

ProcessResult RunDir::RunVantu(int time_limit_s, bool with_library) const {
    Options options;
    options.time_limit_s = time_limit_s;
    if (!with_library) options.library_dir.clear();
    return Run(options);
}

ProcessResult RunDir::RunDriver(const std::vector<std::string>& args, int time_limit_s) const {
    Options options;
    options.program = WINDOW_DRIVER_PATH;
    options.args = args;
    options.time_limit_s = time_limit_s;
    return Run(options);
}

std::vector<std::string> RunDir::Names() const {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(path_)) {
        const std::string name = entry.path().filename().string();
        if (name != "stubs" && name != "sim.conf" && name != "flash.img" && name != "uiset.ini") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

ProcessResult RunDir::Run(const Options& options) const {
    ProcessLaunch launch;
    launch.program = options.program;
    launch.args = options.args;
    launch.working_dir = path_.string();
    launch.env = TestEnvironment((path_ / "stubs").string(), options.library_dir);
    if (options.library_dir.empty()) launch.env.erase("LD_LIBRARY_PATH");
    if (exists(path_ / "sim.conf")) launch.env["VANTU_SIM_CONFIG"] = (path_ / "sim.conf").string();
    for (const auto& [name, value] : options.env) {
        if (value.empty()) launch.env.erase(name);
        else launch.env[name] = value;
    }
    launch.time_limit_s = options.time_limit_s;
    launch.signal_at = options.signal_at;
    launch.signal_number = options.signal_number;
    return RunProcess(launch);
}

}  // namespace vantu_test
