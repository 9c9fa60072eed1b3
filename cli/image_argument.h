// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The image named on the command line, opened for one command: a regular file that is not
// empty. Anything else ends the command with a usage error that says what to do.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/cli_output.h"
#include "cli/exit_status.h"

class ImageArgument {
public:
    ImageArgument() = default;
    ~ImageArgument();
    ImageArgument(const ImageArgument&) = delete;
    ImageArgument& operator=(const ImageArgument&) = delete;

    /// Opens `path`; on failure reports it as `command`'s result and returns its status.
    std::optional<ExitStatus> Open(const std::string& path, const std::string& command, CliOutput& out);

    std::FILE* file() const { return file_; }
    uint64_t size() const { return size_; }

private:
    std::FILE* file_ = nullptr;
    uint64_t size_ = 0;
};
