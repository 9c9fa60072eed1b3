// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A read-only stream over bytes in memory whose reads fail from a chosen offset on, as a
// damaged disk would: the stream's error flag is set and no byte past the offset arrives.
// Seeking works throughout, so the length can still be measured first.

#include <cstddef>
#include <cstdio>
#include <string>

namespace teststream {

enum class Failure {
    ReadError,   // reads at or past the offset fail with EIO
    EndsEarly,   // the data ends at the offset without an error, short of the measured length
};

/// The stream (close it with fclose); from `fail_at` on, reads fail as `failure` says.
std::FILE* OpenFailingStream(std::string bytes, size_t fail_at, Failure failure = Failure::ReadError);

}  // namespace teststream
