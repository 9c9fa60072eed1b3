// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Progress for a person: one line rewritten in place on a terminal, plain lines when standard
// error goes to a file or a pipe, nothing when asked to be quiet.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

struct ProgressPoint {
    std::string phase;        // what is being done, in words
    uint32_t chunk = 0;       // the chunk this point is about, 0 for the first
    uint32_t chunks = 0;      // chunks in all
    uint64_t bytes_done = 0;
    uint64_t bytes_total = 0;
    uint32_t chunks_done = 0; // chunks finished by this point, for the time left
};

/// "chunk 3/64  erasing  196608/4194304 bytes  1:05 left"; the chunk shown counts from 1, and
/// the time left is left out while unknown.
std::string ProgressLine(const ProgressPoint& point, std::optional<uint32_t> seconds_left);

/// Seconds left when `done` of `total` units took `elapsed_ms`; unknown before the first unit.
std::optional<uint32_t> SecondsLeft(uint32_t done, uint32_t total, uint32_t elapsed_ms);

enum class ProgressMode { Off, Lines, Terminal };

class ProgressView {
public:
    ProgressView(std::FILE* out, ProgressMode mode) : out_(out), mode_(mode) {}

    /// Shows `point`; Lines mode writes a line only when the text without the time changed.
    void Show(const ProgressPoint& point);
    /// Ends a line rewritten in place, so the next output starts on a line of its own.
    void Finish();
    /// The last line shown, without the time left (for the log).
    const std::string& last_line() const { return last_; }

private:
    std::FILE* out_;
    ProgressMode mode_;
    std::optional<uint32_t> started_ms_;
    std::string last_;
    bool line_open_ = false;
};
