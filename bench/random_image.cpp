// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/random_image.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace bench {

uint64_t RandomBytes::Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void RandomBytes::Fill(std::span<uint8_t> out) {
    size_t i = 0;
    for (; i + 8 <= out.size(); i += 8) {
        const uint64_t word = Next();
        std::memcpy(out.data() + i, &word, 8);
    }
    if (i < out.size()) {
        const uint64_t word = Next();
        std::memcpy(out.data() + i, &word, out.size() - i);
    }
}

TempImage::TempImage(uint64_t bytes, uint64_t seed) {
    const char* dir = std::getenv("TMPDIR");
    path_ = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/vantu-bench-XXXXXX";
    const int fd = ::mkstemp(path_.data());
    if (fd < 0) {
        path_.clear();
        return;
    }
    std::FILE* out = ::fdopen(fd, "wb");
    if (out == nullptr) {
        ::close(fd);
        return;
    }
    RandomBytes random(seed);
    std::vector<uint8_t> block(kImageBlockBytes);
    bool written = true;
    for (uint64_t done = 0; done < bytes && written; done += block.size()) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(block.size(), bytes - done));
        random.Fill({block.data(), n});
        written = std::fwrite(block.data(), 1, n, out) == n;
    }
    ok_ = std::fclose(out) == 0 && written;
}

TempImage::~TempImage() {
    if (!path_.empty()) ::unlink(path_.c_str());
}

}  // namespace bench
