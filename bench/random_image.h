// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reproducible random bytes, and a random image in a temporary file that is written in
// blocks, so neither the benchmark nor the program ever holds the image whole.

#include <cstdint>
#include <span>
#include <string>

namespace bench {

/// splitmix64: fast, and no byte pattern in it favours the simulator.
class RandomBytes {
public:
    explicit RandomBytes(uint64_t seed) : state_(seed) {}
    /// The next out.size() bytes of the stream.
    void Fill(std::span<uint8_t> out);

private:
    uint64_t Next();
    uint64_t state_;
};

/// Blocks in which images are written and compared.
inline constexpr size_t kImageBlockBytes = 64 * 1024;

/// `bytes` random bytes from `seed` in a new file under $TMPDIR (or /tmp), removed again
/// when the object ends.
class TempImage {
public:
    TempImage(uint64_t bytes, uint64_t seed);
    ~TempImage();
    TempImage(const TempImage&) = delete;
    TempImage& operator=(const TempImage&) = delete;

    /// False when the file could not be created or written.
    bool ok() const { return ok_; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    bool ok_ = false;
};

}  // namespace bench
