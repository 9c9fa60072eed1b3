// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into the program by a test: opening any file whose name ends in "THROW.Bin"
// throws a C++ exception out of the open call, the way an unexpected failure deep inside a
// run would surface. Every other open goes to the C library unchanged.

#include <dlfcn.h>
#include <fcntl.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

bool Hit(const char* path) {
    static constexpr char kSuffix[] = "THROW.Bin";
    const size_t length = path != nullptr ? std::strlen(path) : 0;
    return length >= sizeof kSuffix - 1 && std::strcmp(path + length - (sizeof kSuffix - 1), kSuffix) == 0;
}

[[noreturn]] void Throw() { throw std::runtime_error("injected failure while opening the image"); }

template <typename Function>
Function Next(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

// The mode argument exists only when the flags create a file.
mode_t ModeOf(int flags, va_list args) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? static_cast<mode_t>(va_arg(args, int)) : 0;
}

}  // namespace

extern "C" {

FILE* fopen(const char* path, const char* mode) {
    if (Hit(path)) Throw();
    static const auto next = Next<FILE* (*)(const char*, const char*)>("fopen");
    return next(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
    if (Hit(path)) Throw();
    static const auto next = Next<FILE* (*)(const char*, const char*)>("fopen64");
    return next(path, mode);
}

int open(const char* path, int flags, ...) {
    if (Hit(path)) Throw();
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto next = Next<int (*)(const char*, int, ...)>("open");
    return next(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    if (Hit(path)) Throw();
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto next = Next<int (*)(const char*, int, ...)>("open64");
    return next(path, flags, mode);
}

int openat(int dir_fd, const char* path, int flags, ...) {
    if (Hit(path)) Throw();
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto next = Next<int (*)(int, const char*, int, ...)>("openat");
    return next(dir_fd, path, flags, mode);
}

int openat64(int dir_fd, const char* path, int flags, ...) {
    if (Hit(path)) Throw();
    va_list args;
    va_start(args, flags);
    const mode_t mode = ModeOf(flags, args);
    va_end(args);
    static const auto next = Next<int (*)(int, const char*, int, ...)>("openat64");
    return next(dir_fd, path, flags, mode);
}

}  // extern "C"
