// SPDX-License-Identifier: GPL-3.0-or-later
#include "failing_stream.h"

#include <cerrno>
#include <algorithm>
#include <cstring>

namespace teststream {
namespace {

struct Source {
    std::string bytes;
    size_t fail_at;
    Failure failure;
    size_t pos = 0;
};

ssize_t Read(void* cookie, char* into, size_t size) {
    auto* source = static_cast<Source*>(cookie);
    if (source->failure == Failure::ReadError && source->pos >= source->fail_at &&
        source->pos < source->bytes.size()) {
        errno = EIO;
        return -1;
    }
    const size_t limit = std::min(source->bytes.size(), source->fail_at);
    const size_t count = source->pos < limit ? std::min(size, limit - source->pos) : 0;
    std::memcpy(into, source->bytes.data() + source->pos, count);
    source->pos += count;
    return static_cast<ssize_t>(count);
}

int Seek(void* cookie, off64_t* offset, int whence) {
    auto* source = static_cast<Source*>(cookie);
    const off64_t base = whence == SEEK_SET ? 0
                         : whence == SEEK_CUR ? static_cast<off64_t>(source->pos)
                                              : static_cast<off64_t>(source->bytes.size());
    if (base + *offset < 0) return -1;
    source->pos = static_cast<size_t>(base + *offset);
    *offset = static_cast<off64_t>(source->pos);
    return 0;
}

int Close(void* cookie) {
    delete static_cast<Source*>(cookie);
    return 0;
}

}  // namespace

std::FILE* OpenFailingStream(std::string bytes, size_t fail_at, Failure failure) {
    auto* source = new Source{std::move(bytes), fail_at, failure};
    std::FILE* stream = fopencookie(source, "rb", {Read, nullptr, Seek, Close});
    if (stream == nullptr) delete source;
    return stream;
}

}  // namespace teststream
