// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Why raw port access could not be had, in words for the person at the machine: what the
// port library said, whether the kernel is locked down, and the rights of this process. The
// fixed failure text stays as it is; these lines go to standard error beside it.

#include <optional>
#include <string>
#include <vector>

/// The optional entry of the port library that reports the errno of its last attempt to
/// get port access (negative: not known).
inline constexpr const char* kErrnoEntryName = "PortAccessErrno";
inline constexpr const char* kLockdownPath = "/sys/kernel/security/lockdown";

/// How opening the port library failed.
struct PortOpenFailure {
    enum class Kind { LibraryMissing, EntryMissing, DriverRefused } kind;
    std::string library_error;        // LibraryMissing: the loader's reason
    std::string missing_entry;        // EntryMissing: the first entry not found
    std::optional<int> driver_errno;  // DriverRefused: when the library reports it
};

/// What the process can find out about its rights and the kernel.
struct PortAccessFacts {
    PortOpenFailure failure;
    std::string lockdown_mode;        // "none", "integrity", "confidentiality"; "" when not known
    bool root = false;                // effective user ID 0
    bool raw_io_capability = false;   // CAP_SYS_RAWIO in the effective set
};

/// One line per cause that applies, each with what to do about it; never empty.
std::vector<std::string> PortAccessCauses(const PortAccessFacts& facts);

/// The bracketed mode of a lockdown file ("none [integrity] confidentiality" gives
/// "integrity"); "" when none is marked.
std::string SelectedLockdownMode(const std::string& text);

/// The facts of this process, the lockdown mode read from `lockdown_path`.
PortAccessFacts GatherPortAccessFacts(const PortOpenFailure& failure, const std::string& lockdown_path);

/// Writes the causes of `failure` to standard error, one "vantu: " line each.
void ReportPortAccessCause(const PortOpenFailure& failure);

/// Test seam: the lockdown file ReportPortAccessCause reads, until the guard ends.
class ScopedLockdownPath {
public:
    explicit ScopedLockdownPath(std::string path);
    ~ScopedLockdownPath();
    ScopedLockdownPath(const ScopedLockdownPath&) = delete;
    ScopedLockdownPath& operator=(const ScopedLockdownPath&) = delete;

private:
    std::string previous_;
};
