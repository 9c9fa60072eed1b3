// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/port_access_cause.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

#include "platform/library_loader.h"

#ifdef _WIN32
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
constexpr char kLibraryHome[] = "reinstall the program, whose library belongs in the folder of its .exe.";
#else
constexpr char kLibraryHome[] = "reinstall the program, whose library belongs in lib/vantu beside its bin folder.";
#endif

std::string g_LockdownPath = kLockdownPath;

constexpr int kCapSysRawio = 17;

bool LockedDown(const PortAccessFacts& facts) {
    return !facts.lockdown_mode.empty() && facts.lockdown_mode != "none";
}

std::string NotPrivileged() {
    return "this process is not root and lacks CAP_SYS_RAWIO, which raw port I/O needs: run it as root "
           "(sudo) or give it CAP_SYS_RAWIO.";
}

std::string RootWithoutCapability() {
    return "this process runs as root but lacks CAP_SYS_RAWIO, which raw port I/O needs even for root (a "
           "container or service manager may have dropped it): give it CAP_SYS_RAWIO.";
}

std::string Lockdown(const std::string& mode) {
    return "the kernel is locked down (" + mode +
           "), which blocks raw port I/O even for root; Secure Boot turns this on. Switch Secure Boot off "
           "in the firmware setup, or boot a kernel without lockdown, to flash; the boot option "
           "iomem=relaxed does not help.";
}

// Read as a whole file of one line; an unreadable file says nothing.
std::string ReadFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

#ifndef _WIN32
bool HasRawIoCapability() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("CapEff:", 0) != 0) continue;
        unsigned long long bits = 0;
        std::istringstream(line.substr(7)) >> std::hex >> bits;
        return (bits >> kCapSysRawio) & 1u;
    }
    return false;
}
#endif

bool StdoutSharesStderr() {
#ifdef _WIN32
    return _isatty(_fileno(stdout)) && _isatty(_fileno(stderr));
#else
    struct stat out {}, err {};
    if (::fstat(STDOUT_FILENO, &out) != 0 || ::fstat(STDERR_FILENO, &err) != 0) return false;
    return out.st_dev == err.st_dev && out.st_ino == err.st_ino;
#endif
}

}  // namespace

std::string SelectedLockdownMode(const std::string& text) {
    const auto open = text.find('[');
    const auto close = text.find(']', open);
    if (open == std::string::npos || close == std::string::npos) return "";
    return text.substr(open + 1, close - open - 1);
}

std::vector<std::string> PortAccessCauses(const PortAccessFacts& facts) {
    const PortOpenFailure& failure = facts.failure;
    switch (failure.kind) {
        case PortOpenFailure::Kind::LibraryMissing:
            return {std::string("the port library ") + kPortLibraryName + " could not be loaded" +
                    (failure.library_error.empty() ? "" : " (" + failure.library_error + ")") +
                    ": " + kLibraryHome};
        case PortOpenFailure::Kind::EntryMissing:
            return {std::string("the port library ") + kPortLibraryName + " lacks the entry point " +
                    failure.missing_entry + ", so it is not the library this program needs: reinstall the program."};
        case PortOpenFailure::Kind::DriverRefused:
            break;
    }
    std::vector<std::string> causes;
    const std::optional<int> err = failure.driver_errno;
    if (err == ENOSYS) {
        causes.push_back("this kernel has no iopl/ioperm system calls (ENOSYS): boot a kernel built with "
                         "CONFIG_X86_IOPL_IOPERM.");
    } else if (!facts.raw_io_capability && (!err || *err == EPERM || *err == EACCES)) {
        // The capability, not the user ID, is what the kernel checks.
        causes.push_back(facts.root ? RootWithoutCapability() : NotPrivileged());
    }
    // Locked down, the kernel refuses port access to root as well (EPERM).
    if (LockedDown(facts)) causes.push_back(Lockdown(facts.lockdown_mode));
    if (err && *err != ENOSYS && *err != EPERM && *err != EACCES && *err != 0) {
        causes.push_back("the port library was refused port access: " + std::string(std::strerror(*err)) +
                         " (errno " + std::to_string(*err) + ").");
    }
    if (causes.empty()) {
        causes.push_back("raw port I/O was refused for a reason this program cannot see: check that it runs "
                         "as root and that Secure Boot is off.");
    }
    return causes;
}

PortAccessFacts GatherPortAccessFacts(const PortOpenFailure& failure, const std::string& lockdown_path) {
    PortAccessFacts facts{failure, SelectedLockdownMode(ReadFirstLine(lockdown_path)), false, false};
#ifdef _WIN32
    // Administrator rights show only as the driver opening or not.
    facts.root = true;
    facts.raw_io_capability = true;
#else
    facts.root = ::geteuid() == 0;
    facts.raw_io_capability = HasRawIoCapability();
#endif
    return facts;
}

void ReportPortAccessCause(const PortOpenFailure& failure) {
    // The fixed text on standard output ends without a line end; where both streams show in
    // one place, the causes start on a line of their own.
    if (StdoutSharesStderr()) std::fputc('\n', stderr);
    for (const std::string& cause : PortAccessCauses(GatherPortAccessFacts(failure, g_LockdownPath)))
        std::fprintf(stderr, "vantu: %s\n", cause.c_str());
    std::fflush(stderr);
}

ScopedLockdownPath::ScopedLockdownPath(std::string path) : previous_(std::move(g_LockdownPath)) {
    g_LockdownPath = std::move(path);
}
ScopedLockdownPath::~ScopedLockdownPath() { g_LockdownPath = std::move(previous_); }
